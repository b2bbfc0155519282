#pragma once

#include "runtime/ClientConfig.h"
#include "runtime/LANProbeTarget.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>

#include <chrono>

// Obtains local-network access once per process by probing the LAN torrent
// clients. Lives on the main thread; while one call awaits a probe another may
// enter and probe as well.
class LocalNetworkAccessCoordinator : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultProbeTimeout{4000};

    explicit LocalNetworkAccessCoordinator(std::chrono::milliseconds probeTimeout = defaultProbeTimeout,
                                           QObject* parent = nullptr);

    // Set by the first successful probe and never reset.
    bool didWarmLocalNetworkAccess() const noexcept { return m_didWarmLocalNetworkAccess; }

    // Probes the distinct clients that need local-network access, unless access
    // was already obtained. True when a probe succeeded during this call; false
    // when nothing needed probing; throws the first LocalNetworkAccessError when
    // every probe failed.
    QCoro::Task<bool> prepareIfNeeded(QList<ClientConfig> clients);
    // The probe sequence alone: no warm-up check, no filtering, no repeat removal.
    QCoro::Task<bool> prepareIfNeeded(QList<LANProbeTarget> targets);

private:
    std::chrono::milliseconds m_probeTimeout;
    bool m_didWarmLocalNetworkAccess = false;
};
