#include "ui/shell/CompanionTerminationCommands.h"

#include "model/CompanionAppModel.h"
#include "ui/shell/AppActionRouter.h"
#include "ui/shell/CompanionApplicationDelegate.h"

#include <QAction>
#include <QMenu>

CompanionTerminationCommands::CompanionTerminationCommands(CompanionAppModel& model, AppActionRouter& router,
                                                           CompanionApplicationDelegate& delegate,
                                                           QObject* parent)
    : QObject(parent), m_model(model), m_delegate(delegate),
      m_closeToMenuBar(new QAction(tr("Close to Menu Bar"), this)),
      m_quit(new QAction(tr("Quit Vendrilo Connect"), this)) {
    for (QAction* action : {m_closeToMenuBar, m_quit}) {
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    m_quit->setMenuRole(QAction::QuitRole);
    connect(m_closeToMenuBar, &QAction::triggered, this, [&router] {
        if (router.closeToMenuBarAction) {
            router.closeToMenuBarAction();
        }
    });
    connect(m_quit, &QAction::triggered, this, [&router, &delegate] {
        if (router.quitCompletelyAction) {
            router.quitCompletelyAction();
        } else {
            delegate.requestTermination();
        }
    });
    connect(&model, &CompanionAppModel::keepRunningInMenuBarWhenQuittingChanged, this,
            &CompanionTerminationCommands::update);
    connect(&delegate, &CompanionApplicationDelegate::trayAvailabilityChanged, this,
            &CompanionTerminationCommands::update);
    update();
}

void CompanionTerminationCommands::addTo(QMenu& menu) const {
    menu.addAction(m_closeToMenuBar);
    menu.addAction(m_quit);
}

void CompanionTerminationCommands::update() {
    const bool keepRunning = m_model.keepRunningInMenuBarWhenQuitting() && m_delegate.isTrayAvailable();
    const QKeySequence ctrlQ(Qt::CTRL | Qt::Key_Q);
    // A hidden item gives its shortcut up, so Ctrl+Q never means two things.
    m_closeToMenuBar->setVisible(keepRunning);
    m_closeToMenuBar->setShortcut(keepRunning ? ctrlQ : QKeySequence());
    m_quit->setShortcut(keepRunning ? QKeySequence(Qt::ALT | Qt::CTRL | Qt::Key_Q) : ctrlQ);
}
