#include "ModelHarness.h"

#include <QCoro/QCoroTask>

using namespace std::chrono_literals;

namespace {

CompanionProcessController::Settings controllerSettings(const QUrl& baseURL) {
    CompanionProcessController::Settings settings;
    settings.baseURL = baseURL;
    settings.hostName = u"test-host"_qs;
    settings.healthPollInterval = 5ms;
    settings.healthPollAttempts = 3;
    settings.stopPollInterval = 5ms;
    settings.requestTimeout = 2s;
    settings.versionRequestTimeout = 2s;
    return settings;
}

} // namespace

CompanionAppModel::Settings ModelHarness::fastSettings() {
    CompanionAppModel::Settings settings;
    settings.refreshInterval = 1h; // tests that want the loop shorten it
    settings.noticeLifetime = 200ms;
    settings.apiTimeout = 2s;
    return settings;
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
      processController(controllerSettings(server.baseURL())) {
    if (options.setupCompleted) {
        preferences.setBool(CompanionPreferences::didCompleteInitialSetupKey, true);
    }
    if (options.guidedExperienceCompleted) {
        preferences.setBool(CompanionPreferences::didCompleteGuidedExperienceKey, true);
    }
    model = std::make_unique<CompanionAppModel>(
        CompanionAppModel::Collaborators{
            .processController = processController,
            .platform = platform,
            .preferences = preferences,
            .computerName = u"Study Computer"_qs,
            .applicationVersion = u"1.0.0"_qs,
            .runtimeBaseURL = server.baseURL(),
            // The canned runtime calls itself after the host until a name is chosen.
            .deviceName = MacDeviceName({u"Study Computer"_qs, u"janes-box"_qs, {}}),
            .bundlePath = options.bundlePath,
            .bundleIdentifier = options.bundleIdentifier,
            .manifestURL = server.baseURL().resolved(QUrl(u"/connect/releases/companion.json"_qs)),
        },
        options.settings);
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
