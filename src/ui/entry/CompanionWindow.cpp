#include "ui/entry/CompanionWindow.h"

#include "model/CompanionAppModel.h"
#include "ui/shell/CompanionMenuBar.h"

#include <QCloseEvent>

CompanionWindow::CompanionWindow(CompanionAppModel& model, QWidget* content, const Layout& layout,
                                 const CompanionTerminationCommands& terminationCommands,
                                 const CompanionCommandMenu& commandMenu, QWidget* parent)
    : QMainWindow(parent), m_model(model) {
    setObjectName(layout.id);
    setWindowTitle(layout.title);
    setMenuBar(new CompanionMenuBar(terminationCommands, commandMenu, this));
    content->setMinimumSize(layout.minimumContentSize);
    setCentralWidget(content);
    resize(layout.defaultContentSize + QSize(0, menuBar()->sizeHint().height()));
}

void CompanionWindow::bringForward() {
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}

void CompanionWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Whichever window comes first starts the model; later calls do nothing.
    m_model.startIfNeeded();
    Q_EMIT shown();
}

void CompanionWindow::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
        Q_EMIT closed();
    }
}
