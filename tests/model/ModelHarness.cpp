#include "ModelHarness.h"

#include <QCoro/QCoroTask>

using namespace std::chrono_literals;

CompanionAppModel::Settings ModelHarness::fastSettings() {
    // Tests that want the refresh loop shorten it.
    return {.refreshInterval = 1h, .noticeLifetime = 200ms, .apiTimeout = 2s};
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
      processController({.baseURL = server.baseURL(),
                         .bundledRuntime = {},
                         .hostName = u"test-host"_qs,
                         .healthPollInterval = 5ms,
                         .healthPollAttempts = 3,
                         .stopPollInterval = 5ms,
                         .requestTimeout = 2s,
                         .versionRequestTimeout = 2s}) {
    if (options.setupCompleted) {
        preferences.setBool(CompanionPreferences::didCompleteInitialSetupKey, true);
    }
    if (options.guidedExperienceCompleted) {
        preferences.setBool(CompanionPreferences::didCompleteGuidedExperienceKey, true);
    }
    // The canned runtime calls itself after the host until a name is chosen.
    model = std::make_unique<CompanionAppModel>(
        CompanionAppModel::Collaborators{
            .processController = processController,
            .platform = platform,
            .preferences = preferences,
            .computerName = u"Study Computer"_qs,
            .applicationVersion = u"1.0.0"_qs,
            .runtimeBaseURL = server.baseURL(),
            .deviceName = MacDeviceName({u"Study Computer"_qs, u"janes-box"_qs, {}}),
            .bundlePath = options.bundlePath,
            .bundleIdentifier = options.bundleIdentifier,
            .manifestURL = server.baseURL().resolved(QUrl(u"/connect/releases/companion.json"_qs))},
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
