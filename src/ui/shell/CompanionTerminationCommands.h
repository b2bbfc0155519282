#pragma once

#include <QObject>

class AppActionRouter;
class CompanionAppModel;
class CompanionApplicationDelegate;
class QAction;
class QMenu;

// The quit items of every window's menu bar, shared so that their shortcuts
// exist once for the whole application. With keep-running on (and a tray to
// keep running in), Ctrl+Q closes to the tray and Alt+Ctrl+Q quits; otherwise
// Ctrl+Q quits.
class CompanionTerminationCommands : public QObject {
    Q_OBJECT
public:
    CompanionTerminationCommands(CompanionAppModel& model, AppActionRouter& router,
                                 CompanionApplicationDelegate& delegate, QObject* parent = nullptr);

    void addTo(QMenu& menu) const;

private:
    void update();

    CompanionAppModel& m_model;
    CompanionApplicationDelegate& m_delegate;
    QAction* m_closeToMenuBar = nullptr;
    QAction* m_quit = nullptr;
};
