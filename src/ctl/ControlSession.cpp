#include "ctl/ControlSession.h"

#include "common/UserFacingError.h"
#include "ctl/StatusReport.h"
#include "model/BundledCollaborators.h"
#include "model/CompanionAppModel.h"
#include "runtime/CompanionAPI.h"
#include "supervision/CompanionPaths.h"
#include "supervision/CompanionProcessController.h"
#include "update/ResolvedReleaseStatus.h"

#include <QJsonDocument>

#include <cstdio>

namespace {

CompanionProcessController::Settings controllerSettings(const BundleInfo& bundle, const QUrl& adminURL) {
    CompanionProcessController::Settings settings = bundledRuntimeSettings(bundle);
    settings.baseURL = adminURL;
    return settings;
}

} // namespace

ControlSession::ControlSession(ControlOptions options, const BundleInfo& bundle, Settings settings,
                               QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_settings(settings),
      m_applicationVersion(bundle.companionVersion()), m_out(stdout), m_err(stderr), m_platform(stderr),
      m_preferences(bundle.bundleIdentifier()),
      // Never deleted: deleting it would kill a runtime this command started,
      // which has to keep serving the phone after ctl ends (the app adopts it).
      m_processController(new CompanionProcessController(controllerSettings(bundle, m_options.adminURL))) {
    CompanionAppModel::Collaborators collaborators =
        bundledModelCollaborators(bundle, *m_processController, m_platform, m_preferences);
    collaborators.runtimeBaseURL = m_options.adminURL;
    // Only `update check` reads the release feed; the other commands stay off the network.
    collaborators.manifestURL =
        m_options.command == ControlOptions::Command::UpdateCheck ? CompanionPaths::manifestURL() : QUrl();
    m_model = std::make_unique<CompanionAppModel>(std::move(collaborators));
}

ControlSession::~ControlSession() = default;

QCoro::Task<ControlExitCode> ControlSession::run() {
    using Command = ControlOptions::Command;
    switch (m_options.command) {
    case Command::Help:
        m_out << ControlOptions::usage() << Qt::flush;
        co_return ControlExitCode::Success;
    case Command::Logs:
        co_return co_await logs();
    case Command::UpdateCheck:
        co_return co_await updateCheck();
    default:
        break;
    }

    const ControlExitCode connected = co_await connectToRuntime();
    if (connected != ControlExitCode::Success) {
        co_return connected;
    }
    switch (m_options.command) {
    case Command::Status:
        co_return co_await status();
    case Command::Pair:
        co_return co_await pair();
    case Command::Unpair:
        co_return co_await unpair();
    case Command::ClientsList:
        co_return co_await listClients();
    case Command::ClientsAdd:
        co_return co_await addClient();
    case Command::ClientsTest:
        co_return co_await testClients();
    case Command::ClientsRemove:
        co_return co_await removeClient();
    case Command::Restart:
        co_return co_await restart();
    case Command::Help:
    case Command::Logs:
    case Command::UpdateCheck:
        break;
    }
    Q_UNREACHABLE();
    co_return ControlExitCode::Usage;
}

bool ControlSession::interrupt() {
    if (!m_interruptible) {
        return false;
    }
    m_interruption.cancel();
    return true;
}

QCoro::Task<bool> ControlSession::runtimeAnswers() const {
    try {
        co_await CompanionAPI(m_options.adminURL).healthcheck();
        co_return true;
    } catch (const std::exception&) {
        co_return false;
    }
}

QCoro::Task<ControlExitCode> ControlSession::connectToRuntime() {
    // A runtime that answers is used as it is, whatever its version: replacing
    // it is the app's start-up decision, not a terminal command's.
    if (!co_await runtimeAnswers()) {
        if (m_options.noStart) {
            m_err << QStringLiteral("No companion runtime answers on %1.").arg(m_options.adminURL.toString())
                  << Qt::endl;
            co_return ControlExitCode::Unreachable;
        }
        try {
            co_await m_processController->ensureRunning(m_applicationVersion);
        } catch (const std::exception& error) {
            m_err << describeError(error) << Qt::endl;
            co_return ControlExitCode::Unreachable;
        }
    }
    bool refreshed = true;
    try {
        co_await m_model->refresh(true);
    } catch (const std::exception& error) {
        m_err << describeError(error) << Qt::endl;
        refreshed = false;
    }
    if (!refreshed) {
        co_return co_await runtimeAnswers() ? ControlExitCode::Failure : ControlExitCode::Unreachable;
    }
    co_return ControlExitCode::Success;
}

QCoro::Task<ControlExitCode> ControlSession::reportAction() {
    if (const std::optional<QString>& error = m_model->errorMessage()) {
        m_err << *error << Qt::endl;
        co_return co_await runtimeAnswers() ? ControlExitCode::Failure : ControlExitCode::Unreachable;
    }
    if (const std::optional<QString>& notice = m_model->noticeMessage()) {
        m_out << *notice << Qt::endl;
    }
    co_return ControlExitCode::Success;
}

QCoro::Task<ControlExitCode> ControlSession::status() {
    if (m_options.json) {
        m_out << QJsonDocument(StatusReport::json(*m_model)).toJson(QJsonDocument::Indented) << Qt::flush;
    } else {
        m_out << StatusReport::text(*m_model) << Qt::flush;
    }
    co_return ControlExitCode::Success;
}

QCoro::Task<ControlExitCode> ControlSession::unpair() {
    co_await m_model->resetPairing();
    co_return co_await reportAction();
}

QCoro::Task<ControlExitCode> ControlSession::restart() {
    co_await m_model->restartCompanion();
    co_return co_await reportAction();
}

QCoro::Task<ControlExitCode> ControlSession::updateCheck() {
    // Needs the release feed only: the runtime is not asked.
    co_await m_model->runUpdateCheck(true);
    if (const std::optional<QString>& error = m_model->errorMessage()) {
        m_err << *error << Qt::endl;
        co_return ControlExitCode::Failure;
    }
    m_out << m_model->noticeMessage().value_or(QString()) << Qt::endl;
    const ResolvedReleaseStatus& release = m_model->releaseStatus();
    if (release.updateAvailable || release.updateRequired) {
        const QString download =
            release.downloadURL.isEmpty() ? CompanionPaths::downloadsURL().toString() : release.downloadURL;
        m_out << QStringLiteral("Download: ") << download << Qt::endl;
    }
    co_return ControlExitCode::Success;
}
