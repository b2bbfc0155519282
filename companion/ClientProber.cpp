#include "companion/ClientProber.h"

#include "checks/ClientCheck.h"
#include "companion/ClientRules.h"
#include "companion/ClientStore.h"
#include "companion/EventRecorder.h"
#include "companion/HttpError.h"

#include <QNetworkAccessManager>
#include <QPointer>

#include <vector>

ClientProber::ClientProber(ClientStore& store, EventRecorder& events, std::chrono::milliseconds timeout,
                           QObject* parent)
    : QObject(parent), m_store(store), m_events(events), m_timeout(timeout),
      m_network(new QNetworkAccessManager(this)) {}

QCoro::Task<QList<ClientConfig>> ClientProber::probe(std::optional<QString> clientId) {
    QList<ClientConfig> targets;
    if (clientId) {
        const std::optional<ClientConfig> client = m_store.find(*clientId);
        if (!client) {
            throw HttpError(404, QStringLiteral("No torrent client with this id is configured."));
        }
        targets.append(*client);
    } else {
        targets = m_store.clients();
    }
    const QPointer<ClientProber> self = this;
    // Every check starts here, before the first is awaited: they run side by side.
    std::vector<QCoro::Task<ClientCheckOutcome>> checks;
    checks.reserve(size_t(targets.size()));
    for (const ClientConfig& client : std::as_const(targets)) {
        checks.push_back(check(client));
    }
    QList<ClientConfig> results;
    for (size_t i = 0; i < checks.size(); ++i) {
        const ClientCheckOutcome outcome = co_await std::move(checks[i]);
        if (!self) {
            co_return results;
        }
        results.append(storeOutcome(targets.at(qsizetype(i)), outcome));
    }
    co_return results;
}

QCoro::Task<ClientCheckOutcome> ClientProber::check(const ClientConfig& client) {
    const ClientConfig target = client;
    std::optional<ClientCheckOutcome> failed;
    try {
        co_return co_await checkClient(*m_network, target, m_timeout);
    } catch (const std::exception& error) {
        // A check reports failures as outcomes; anything else is a fault of ours,
        // shown as what it is rather than lost.
        failed =
            ClientCheckOutcome{QStringLiteral("bad_response"),
                               QStringLiteral("The check failed unexpectedly: %1").arg(describeError(error)),
                               {}};
    }
    co_return *failed;
}

ClientConfig ClientProber::storeOutcome(const ClientConfig& checked, const ClientCheckOutcome& outcome) {
    std::optional<ClientConfig> current = m_store.find(checked.id);
    // Removed or re-pointed while the check ran: the result no longer describes it.
    if (!current || !ClientRules::sameConnection(*current, checked)) {
        return current.value_or(checked);
    }
    current->authState = outcome.authState;
    current->capabilities = outcome.capabilities;
    current->lastError = outcome.lastError;
    const bool ok = outcome.authState == u"ok";
    if (ok) {
        current->lastOkAt = QDateTime::currentDateTimeUtc();
    }
    m_store.put(*current);
    const AnyCodableMap details{{QStringLiteral("client_id"), AnyCodable{current->id}},
                                {QStringLiteral("auth_state"), AnyCodable{outcome.authState}}};
    if (ok) {
        m_events.log().write(LogWriter::Level::Info, u"client_check_ok",
                             QStringLiteral("%1 answered the check.").arg(current->label), details);
    } else {
        m_events.record(LogWriter::Level::Error, QStringLiteral("client_check_failed"),
                        QStringLiteral("%1: %2").arg(
                            current->label, outcome.lastError.value_or(QStringLiteral("The check failed."))),
                        details);
    }
    return *current;
}
