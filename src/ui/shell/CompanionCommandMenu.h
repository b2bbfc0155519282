#pragma once

#include <QList>
#include <QObject>

#include <functional>

class AppActionRouter;
class CompanionAppModel;
class PlatformServices;
class QAction;
class QKeySequence;
class QMenu;
class QWidget;

// The "Companion" menu of every window's menu bar. Its actions are shared by
// all windows, so each shortcut is registered once for the application.
class CompanionCommandMenu : public QObject {
    Q_OBJECT
public:
    CompanionCommandMenu(CompanionAppModel& model, AppActionRouter& router, PlatformServices& platform,
                         QObject* parent = nullptr);

    // A new menu for one window's menu bar, holding the shared actions.
    QMenu* createMenu(QWidget* parent) const;

private:
    QAction* addCommand(const QString& title, const QKeySequence& shortcut, std::function<void()> run);

    void addSeparator();

    QList<QAction*> m_actions;
};
