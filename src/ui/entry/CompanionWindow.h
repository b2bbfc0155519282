#pragma once

#include <QMainWindow>

class CompanionAppModel;
class CompanionCommandMenu;
class CompanionTerminationCommands;

// A top-level window of the app: its content, the menu bar every window
// shows, and the model started when it is first shown. Its title-bar close
// button only closes it; the app keeps running.
class CompanionWindow : public QMainWindow {
    Q_OBJECT
public:
    struct Layout {
        QString id;
        QString title;
        QSize defaultContentSize;
        QSize minimumContentSize;
    };

    CompanionWindow(CompanionAppModel& model, QWidget* content, const Layout& layout,
                    const CompanionTerminationCommands& terminationCommands,
                    const CompanionCommandMenu& commandMenu, QWidget* parent = nullptr);

    // Shows it, or brings it forward when it is open: never a second one.
    void bringForward();

Q_SIGNALS:
    void shown();
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    CompanionAppModel& m_model;
};
