#include "ctl/ControlSession.h"
#include "ctl/StatusReport.h"
#include "model/ClientDraft.h"
#include "model/CompanionAppModel.h"
#include "runtime/HostRules.h"

#include <QJsonDocument>

#include <cstdio>

QCoro::Task<ControlExitCode> ControlSession::listClients() {
    const QList<ClientConfig> clients = m_model->currentClients();
    if (m_options.json) {
        m_out << QJsonDocument(StatusReport::clientsJson(clients)).toJson(QJsonDocument::Indented)
              << Qt::flush;
    } else {
        m_out << StatusReport::clientsText(clients) << Qt::flush;
    }
    co_return ControlExitCode::Success;
}

QCoro::Task<ControlExitCode> ControlSession::addClient() {
    const ControlOptions::NewClient& input = m_options.newClient;
    // As the editor sheet fills a new client: the type's port, this computer
    // unless a host is given.
    ClientDraft draft = ClientDraft::fromClient(std::nullopt);
    draft.label = input.label;
    draft.type = input.type;
    draft.port = input.port.value_or(ClientDraft::defaultPort(input.type));
    draft.host = input.host.value_or(ClientDraft::defaultHost(HostKind::Local));
    draft.hostKind = inferredHostKind(draft.host, HostKind::Local);
    draft.username = input.username;
    if (input.passwordFromStandardInput) {
        QTextStream in(stdin);
        draft.password = in.readLine();
    }
    draft.useTls = input.useTls;
    draft.insecureSkipVerify = input.insecureSkipVerify;
    draft.applyDefaultsForCurrentType();

    co_await m_model->saveClientDraft(draft);
    co_return co_await reportAction();
}

QCoro::Task<ControlExitCode> ControlSession::testClients() {
    QString testedId;
    if (m_options.clientReference.isEmpty()) {
        co_await m_model->probeAllClients();
    } else {
        ControlExitCode failure = ControlExitCode::Success;
        const std::optional<ClientConfig> client = referencedClient(failure);
        if (!client) {
            co_return failure;
        }
        testedId = client->id;
        co_await m_model->probeClient(*client);
    }
    const ControlExitCode reported = co_await reportAction();
    if (reported != ControlExitCode::Success) {
        co_return reported;
    }
    // A check that ran but found the client not working is a failure for scripts.
    ControlExitCode result = ControlExitCode::Success;
    for (const ClientConfig& client : m_model->currentClients()) {
        if (!testedId.isEmpty() && client.id != testedId) {
            continue;
        }
        m_out << StatusReport::clientStateLine(client) << Qt::endl;
        if (client.authState != u"ok") {
            result = ControlExitCode::Failure;
        }
    }
    co_return result;
}

QCoro::Task<ControlExitCode> ControlSession::removeClient() {
    ControlExitCode failure = ControlExitCode::Success;
    const std::optional<ClientConfig> client = referencedClient(failure);
    if (!client) {
        co_return failure;
    }
    co_await m_model->deleteClient(*client);
    co_return co_await reportAction();
}

std::optional<ClientConfig> ControlSession::referencedClient(ControlExitCode& failure) {
    const QString& reference = m_options.clientReference;
    const QList<ClientConfig> clients = m_model->currentClients();
    for (const ClientConfig& client : clients) {
        if (client.id == reference) {
            return client;
        }
    }
    QList<ClientConfig> labelled;
    for (const ClientConfig& client : clients) {
        if (client.label.compare(reference, Qt::CaseInsensitive) == 0) {
            labelled.append(client);
        }
    }
    if (labelled.size() == 1) {
        return labelled.constFirst();
    }
    if (labelled.isEmpty()) {
        m_err << QStringLiteral("No torrent client has the id or label “%1”.").arg(reference) << Qt::endl;
        failure = ControlExitCode::Failure;
    } else {
        m_err
            << QStringLiteral("Several torrent clients are labelled “%1”; name one by its id.").arg(reference)
            << Qt::endl;
        failure = ControlExitCode::Usage;
    }
    return std::nullopt;
}
