#pragma once

#include "ModelHarness.h"
#include "UiTheme.h"
#include "ui/dashboard/DashboardWindowView.h"

// A dashboard window on a model fed by a canned runtime, shown offscreen with
// its transitions off.
class DashboardFixture {
public:
    // Isolates the user's folders, sets the shared theme; call once.
    static void prepareApplication();

    static ClientConfig client(const QString& id, const QString& label, const QString& authState = u"ok"_qs,
                               std::optional<QString> lastError = std::nullopt);
    // Paired, online, with the given clients.
    static RuntimeSnapshot pairedSnapshot(QList<ClientConfig> clients = {});
    // Pending with a code expiring at the given time, and its link answered.
    void servePendingPairing(const QDateTime& expiresAt);

    explicit DashboardFixture(ModelHarness::Options options = {.setupCompleted = true,
                                                               .guidedExperienceCompleted = true});
    // Waits for the model's running work (start-up, actions) to end first.
    ~DashboardFixture();

    // Serves the snapshot, refreshes the model and lets the view catch up.
    void serveAndRefresh(const RuntimeSnapshot& snapshot);
    // Shows the window, which starts the model, and waits for the start-up.
    void show();
    void settle();
    // Writes the window (and the sheet, when open) as name.png.
    void saveScreenshot(const QString& name);

    ModelHarness harness;
    CompanionAppModel& model;
    DashboardWindowView view;
};
