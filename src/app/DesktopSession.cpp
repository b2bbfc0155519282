#include "app/DesktopSession.h"

#include "model/BundledCollaborators.h"
#include "ui/shell/SingleInstance.h"
#include "ui/tray/PlatformWording.h"

#include <QCoro/QCoroTask>
#include <QGuiApplication>

#include <csignal>

DesktopSession::DesktopSession(const BundleInfo& bundle, bool background)
    : m_processController(bundledRuntimeSettings(bundle)),
      m_app(bundledModelCollaborators(bundle, m_processController, m_platform, m_preferences),
            CompanionAppModel::Settings{}, VendriloConnectApp::Options{.background = background}),
      m_signals({SIGTERM, SIGINT}) {
    // Stopping the process or ending the session always quits, after shutdown.
    QObject::connect(&m_signals, &UnixSignalWatcher::received, &m_app.delegate(),
                     &CompanionApplicationDelegate::quitCompletely);
    QObject::connect(&m_app.delegate(), &CompanionApplicationDelegate::readyToTerminate, &m_app,
                     [] { QCoreApplication::exit(0); });
}

int DesktopSession::run(const BundleInfo& bundle, bool background) {
    SingleInstance instance(SingleInstance::socketPathFor(bundle.bundleIdentifier()));
    if (!instance.claim(background ? SingleInstance::Launch::Background : SingleInstance::Launch::Reopen)) {
        return 0;
    }
    // Before any window or the tray icon: they read their texts once.
    installPlatformWording(*QCoreApplication::instance());
    // Matches the launcher the installer writes, so the desktop groups our windows under it.
    QGuiApplication::setDesktopFileName(bundle.bundleIdentifier());
    DesktopSession session(bundle, background);
    QObject::connect(&instance, &SingleInstance::reopenRequested, &session.m_app,
                     &VendriloConnectApp::reopen);
    session.m_app.start();
    const int code = QCoreApplication::exec();
    // However the loop ended, no runtime is left behind (at once when the
    // shutdown already ran or is running).
    QCoro::waitFor(session.m_app.model().shutdown());
    return code;
}
