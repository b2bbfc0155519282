#include "ModelHarness.h"

#include "supervision/CompanionPaths.h"

#include <QCoro/QCoroTask>

using namespace std::chrono_literals;

namespace {

// The canned runtime answers at once; the real one gets its usual time to start and stop.
CompanionProcessController::Settings runtimeSettings(const QUrl& canned,
                                                     const std::optional<QString>& bundled) {
    if (bundled) {
        return {.bundledRuntime = bundled, .hostName = u"test-host"_qs};
    }
    return {.baseURL = canned,
            .bundledRuntime = {},
            .hostName = u"test-host"_qs,
            .healthPollInterval = 5ms,
            .healthPollAttempts = 3,
            .stopPollInterval = 5ms,
            .requestTimeout = 2s,
            .versionRequestTimeout = 2s};
}

} // namespace

CompanionAppModel::Settings ModelHarness::fastSettings() {
    // Tests that want the refresh loop or a notice's dismissal shorten them; a
    // notice that left by itself could be gone before a busy machine looks.
    return {.refreshInterval = 1h, .noticeLifetime = 1h, .apiTimeout = 2s};
}

ModelHarness::Options
ModelHarness::adjusted(Options options, const std::function<void(CompanionAppModel::Settings&)>& adjust) {
    adjust(options.settings);
    return options;
}

void ModelHarness::isolateUserFolders() {
    static QTemporaryDir home;
    for (const char* variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
        qputenv(variable, (home.path() + u'/' + QString::fromLatin1(variable)).toLocal8Bit());
    }
}

ModelHarness::ModelHarness() : ModelHarness(Options{}) {}

ModelHarness::ModelHarness(Options options)
    : preferences(CompanionPreferences::inFile(folder.filePath(u"preferences.ini"_qs))),
      processController(runtimeSettings(server.baseURL(), options.bundledRuntime)) {
    if (options.setupCompleted) {
        preferences.setBool(CompanionPreferences::didCompleteInitialSetupKey, true);
    }
    if (options.guidedExperienceCompleted) {
        preferences.setBool(CompanionPreferences::didCompleteGuidedExperienceKey, true);
    }
    // The runtime calls itself after the host until a name is chosen.
    const QUrl runtimeURL = options.bundledRuntime ? CompanionPaths::dashboardBaseURL() : server.baseURL();
    model = std::make_unique<CompanionAppModel>(
        CompanionAppModel::Collaborators{
            .processController = processController,
            .platform = platform,
            .preferences = preferences,
            .computerName = u"Study Computer"_qs,
            .applicationVersion = u"1.0.0"_qs,
            .runtimeBaseURL = runtimeURL,
            .deviceName = MacDeviceName({u"Study Computer"_qs, u"janes-box"_qs, {}}),
            .bundlePath = options.bundlePath,
            .bundleIdentifier = options.bundleIdentifier,
            .manifestURL = runtimeURL.resolved(QUrl(u"/connect/releases/companion.json"_qs))},
        options.settings);
}

void ModelHarness::serve(const RuntimeSnapshot& snapshot) {
    server.serveHealthyRuntime(snapshot, CannedRuntimeServer::health());
}

bool ModelHarness::refresh(bool showErrors) {
    // waitFor never returns from a task that throws, so the failure is caught inside.
    const auto attempt = [](CompanionAppModel& model, bool showErrors) -> QCoro::Task<bool> {
        try {
            co_await model.refresh(showErrors);
            co_return true;
        } catch (const std::exception&) {
            co_return false;
        }
    };
    return QCoro::waitFor(attempt(*model, showErrors));
}
