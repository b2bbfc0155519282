#include "runtime/LocalNetworkAccessCoordinator.h"

#include "runtime/LocalNetworkAccessError.h"
#include "runtime/LocalNetworkConnectionProbe.h"

#include <QPointer>
#include <QSet>

#include <optional>

LocalNetworkAccessCoordinator::LocalNetworkAccessCoordinator(std::chrono::milliseconds probeTimeout,
                                                             QObject* parent)
    : QObject(parent), m_probeTimeout(probeTimeout) {}

QCoro::Task<bool> LocalNetworkAccessCoordinator::prepareIfNeeded(QList<ClientConfig> clients) {
    if (m_didWarmLocalNetworkAccess) {
        co_return false;
    }
    QList<LANProbeTarget> targets;
    QSet<LANProbeTarget> seen;
    for (const ClientConfig& client : clients) {
        LANProbeTarget target{client.host, client.port, client.hostKind};
        if (target.requiresLocalNetworkAccess() && !seen.contains(target)) {
            seen.insert(target);
            targets.append(std::move(target));
        }
    }
    co_return co_await prepareIfNeeded(std::move(targets));
}

QCoro::Task<bool> LocalNetworkAccessCoordinator::prepareIfNeeded(QList<LANProbeTarget> targets) {
    if (targets.isEmpty()) {
        co_return false;
    }
    const QPointer<LocalNetworkAccessCoordinator> self(this);
    const auto timeout = m_probeTimeout;
    std::optional<LocalNetworkAccessError> firstFailure;
    for (const LANProbeTarget& target : targets) {
        try {
            co_await LocalNetworkConnectionProbe::probe(target.host, target.port, timeout);
        } catch (const LocalNetworkAccessError& failure) {
            if (!firstFailure) {
                firstFailure = failure;
            }
            continue;
        }
        if (self) {
            self->m_didWarmLocalNetworkAccess = true;
        }
        co_return true;
    }
    throw *firstFailure;
}
