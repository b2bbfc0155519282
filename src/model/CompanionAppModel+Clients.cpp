#include "model/CompanionAppModel.h"
#include "model/ModelServices.h"
#include "model/RuntimeReadings.h"
#include "runtime/LANProbeTarget.h"
#include "runtime/LocalNetworkAccessCoordinator.h"
#include "supervision/CompanionProcessController.h"

#include <QCollator>

#include <algorithm>

QList<ClientConfig> CompanionAppModel::currentClients() const {
    if (!runtime()) {
        return {};
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    QList<ClientConfig> clients = runtime()->clients;
    std::stable_sort(clients.begin(), clients.end(),
                     [&collator](const ClientConfig& left, const ClientConfig& right) {
                         return collator.compare(left.label, right.label) < 0;
                     });
    return clients;
}

QCoro::Task<> CompanionAppModel::saveClientDraft(ClientDraft draft) {
    return performBusyAction(tr("Could not save the torrent client."), [this, draft]() -> QCoro::Task<> {
        const QPointer<CompanionAppModel> self(this);
        co_await prepareLocalNetworkAccessIfNeeded(draft);
        if (isGone(self)) {
            co_return;
        }
        co_await m_services->api.saveClient(draft.asClientConfig());
        if (isGone(self)) {
            co_return;
        }
        // Only a save that went through closes the editor; a failure keeps the
        // user's input.
        setClientDraft(std::nullopt);
        co_await refresh(true);
        if (isGone(self)) {
            co_return;
        }
        setSelectedSection(DashboardSection::Clients);
        setNoticeMessage(tr("Torrent client saved."));
    });
}

QCoro::Task<> CompanionAppModel::deleteClient(ClientConfig client) {
    const QString removed = tr("%1 was removed.").arg(client.label);
    return performBusyAction(tr("Could not remove %1.").arg(client.label),
                             [this, client, removed]() -> QCoro::Task<> {
                                 const QPointer<CompanionAppModel> self(this);
                                 co_await m_services->api.deleteClient(client.id);
                                 if (isGone(self)) {
                                     co_return;
                                 }
                                 co_await refresh(true);
                                 if (isGone(self)) {
                                     co_return;
                                 }
                                 setNoticeMessage(removed);
                             });
}

QCoro::Task<> CompanionAppModel::probeClient(ClientConfig client) {
    const QString tested = tr("%1 was tested again.").arg(client.label);
    // Built out here: brace lists inside coroutine bodies trip GCC 12.
    const QList<ClientConfig> onlyThisClient{client};
    return performBusyAction(tr("Could not test %1.").arg(client.label),
                             [this, client, tested, onlyThisClient]() -> QCoro::Task<> {
                                 const QPointer<CompanionAppModel> self(this);
                                 co_await prepareLocalNetworkAccessIfNeeded(onlyThisClient);
                                 if (isGone(self)) {
                                     co_return;
                                 }
                                 co_await m_services->api.probeClients(client.id);
                                 if (isGone(self)) {
                                     co_return;
                                 }
                                 co_await refresh(true);
                                 if (isGone(self)) {
                                     co_return;
                                 }
                                 setNoticeMessage(tested);
                             });
}

QCoro::Task<> CompanionAppModel::probeAllClients() {
    return performBusyAction(tr("Could not test the configured clients."), [this]() -> QCoro::Task<> {
        const QPointer<CompanionAppModel> self(this);
        co_await prepareLocalNetworkAccessIfNeeded(currentClients());
        if (isGone(self)) {
            co_return;
        }
        co_await m_services->api.probeClients(std::nullopt);
        if (isGone(self)) {
            co_return;
        }
        co_await refresh(true);
        if (isGone(self)) {
            co_return;
        }
        setNoticeMessage(tr("All configured clients were tested."));
    });
}

QCoro::Task<> CompanionAppModel::prepareLocalNetworkAccessIfNeeded(ClientDraft draft) {
    if (m_services->localNetwork.didWarmLocalNetworkAccess()) {
        co_return;
    }
    const LANProbeTarget target{draft.host, draft.port, draft.hostKind};
    if (!target.requiresLocalNetworkAccess()) {
        co_return;
    }
    const QPointer<CompanionAppModel> self(this);
    QList<LANProbeTarget> targets;
    targets.append(target);
    const bool obtained = co_await m_services->localNetwork.prepareIfNeeded(std::move(targets));
    if (obtained && !isGone(self)) {
        co_await restartRuntimeAndRefresh();
    }
}

QCoro::Task<> CompanionAppModel::prepareLocalNetworkAccessIfNeeded(QList<ClientConfig> clients) {
    const QPointer<CompanionAppModel> self(this);
    const bool obtained = co_await m_services->localNetwork.prepareIfNeeded(std::move(clients));
    if (obtained && !isGone(self)) {
        co_await restartRuntimeAndRefresh();
    }
}
