#pragma once

#include "model/UpdateInstallState.h"
#include "runtime/PairingStatePayload.h"
#include "system/NotificationKind.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

class CompanionAppModel;
class DesktopNotifications;
class NotificationPreferences;

// Turns the model's changes into desktop notifications, each kind once per
// event and only while the user leaves it on: pairing approved, pairing code
// expired, runtime stopped answering (once until it answers again), update
// available (once per version), update installed or failed. Create it before
// the model starts, so that the result of an update installed before this
// launch is seen.
class CompanionNotifier : public QObject {
    Q_OBJECT
public:
    CompanionNotifier(CompanionAppModel& model, NotificationPreferences& preferences,
                      DesktopNotifications& notifications, QObject* parent = nullptr);

Q_SIGNALS:
    // A pairing or runtime notification was clicked.
    void openDashboardRequested();
    // An update notification was clicked.
    void openSettingsRequested();

private:
    void handleRuntime();
    void handleRefreshing();
    void handleReleaseStatus();
    void handleUpdateInstallState();
    void handleActivated(NotificationKind kind);
    void notify(NotificationKind kind, const QString& summary, const QString& body);

    CompanionAppModel& m_model;
    NotificationPreferences& m_preferences;
    DesktopNotifications& m_notifications;

    std::optional<PairingStatePayload> m_lastPairing;
    bool m_hasAnswered = false;
    bool m_reportedUnreachable = false;
    bool m_answeredDuringRefresh = false;
    QSet<QString> m_announcedVersions;
    UpdateInstallState::Phase m_lastUpdatePhase;
};
