#include "companion/AdminRoutes.h"

#include "companion/ClientRules.h"
#include "companion/CompanionCore.h"
#include "companion/HttpError.h"
#include "companion/HttpService.h"
#include "companion/JsonBody.h"
#include "companion/MakerSite.h"
#include "companion/StatusPage.h"
#include "runtime/RequestBodies.h"
#include "runtime/WireCoding.h"

#include <QPointer>

#include <algorithm>

namespace {

using Route = QCoro::Task<HttpReply> (AdminRoutes::*)(const IncomingRequest&);

} // namespace

void AdminRoutes::install(HttpService& service) {
    const auto add = [&](QByteArray method, QString path, Route route) {
        service.addRoute(std::move(method), std::move(path),
                         [this, route](const IncomingRequest& request) { return (this->*route)(request); });
    };
    add("GET", QStringLiteral("/healthz"), &AdminRoutes::healthz);
    add("GET", QStringLiteral("/"), &AdminRoutes::statusPage);
    add("GET", QStringLiteral("/v1/runtime"), &AdminRoutes::runtime);
    add("GET", QStringLiteral("/v1/health"), &AdminRoutes::health);
    add("GET", QStringLiteral("/v1/diagnostics"), &AdminRoutes::diagnostics);
    add("GET", QStringLiteral("/v1/pairing/link"), &AdminRoutes::pairingLink);
    add("POST", QStringLiteral("/v1/pairing/begin"), &AdminRoutes::beginPairing);
    add("POST", QStringLiteral("/v1/pairing/reset"), &AdminRoutes::resetPairing);
    add("POST", QStringLiteral("/v1/clients/save"), &AdminRoutes::saveClient);
    add("POST", QStringLiteral("/v1/clients/delete"), &AdminRoutes::deleteClient);
    add("POST", QStringLiteral("/v1/clients/probe"), &AdminRoutes::probeClients);
    add("POST", QStringLiteral("/v1/config/display-name"), &AdminRoutes::updateDisplayName);
}

QCoro::Task<HttpReply> AdminRoutes::healthz(const IncomingRequest&) {
    co_return HttpReply::json(WireCoding::encode(HealthcheckPayload{true, QDateTime::currentDateTimeUtc()}));
}

QCoro::Task<HttpReply> AdminRoutes::statusPage(const IncomingRequest&) {
    StateReporter& reporter = m_core.reporter();
    co_return HttpReply::html(StatusPage::render(reporter.runtime(), reporter.health()));
}

QCoro::Task<HttpReply> AdminRoutes::runtime(const IncomingRequest&) {
    co_return HttpReply::json(WireCoding::encode(m_core.reporter().runtime()));
}

QCoro::Task<HttpReply> AdminRoutes::health(const IncomingRequest&) {
    co_return HttpReply::json(WireCoding::encode(m_core.reporter().health()));
}

QCoro::Task<HttpReply> AdminRoutes::diagnostics(const IncomingRequest& request) {
    int limit = defaultDiagnosticsLimit;
    if (request.query.hasQueryItem(QStringLiteral("limit"))) {
        bool ok = false;
        limit = request.query.queryItemValue(QStringLiteral("limit")).toInt(&ok);
        if (!ok) {
            throw HttpError(400, QStringLiteral("Ask for a whole number of diagnostics."));
        }
    }
    limit = std::clamp(limit, 1, maxDiagnosticsLimit);
    co_return HttpReply::json(WireCoding::encodeList(m_core.diagnostics().newest(limit)));
}

QCoro::Task<HttpReply> AdminRoutes::pairingLink(const IncomingRequest& request) {
    const QString code = request.query.queryItemValue(QStringLiteral("code"), QUrl::FullyDecoded);
    if (!m_core.pairing().isPendingCode(code)) {
        throw HttpError(404, QStringLiteral("No pending pairing has this code."));
    }
    const QString pendingCode = m_core.pairing().current().code.value_or(code);
    co_return HttpReply::json(WireCoding::encode(MakerSite::pairingLink(m_core.webHost(), pendingCode)));
}

QCoro::Task<HttpReply> AdminRoutes::beginPairing(const IncomingRequest& request) {
    const auto body = JsonBody::decode<BeginPairingBody>(request.body);
    // A refused request changes nothing: the name is checked, and the pairing
    // state too, before either is stored.
    const bool renaming = body.displayName && !body.displayName->trimmed().isEmpty();
    const QString name = renaming ? checkedName(*body.displayName) : QString();
    if (m_core.pairing().current().status == PairingStatus::Paired) {
        throw HttpError(409,
                        QStringLiteral("This computer is already paired; unpair it before pairing again."));
    }
    if (renaming) {
        rename(name);
    }
    co_return HttpReply::json(WireCoding::encode(m_core.pairing().begin()));
}

QCoro::Task<HttpReply> AdminRoutes::resetPairing(const IncomingRequest& request) {
    const auto body = JsonBody::decode<ResetPairingBody>(request.body);
    co_return HttpReply::json(WireCoding::encode(m_core.pairing().reset(body.reason.trimmed())));
}

QCoro::Task<HttpReply> AdminRoutes::saveClient(const IncomingRequest& request) {
    co_return HttpReply::json(
        WireCoding::encode(m_core.registry().save(ClientRules::fromSaveBody(request.body))));
}

QCoro::Task<HttpReply> AdminRoutes::deleteClient(const IncomingRequest& request) {
    const auto body = JsonBody::decode<DeleteClientBody>(request.body);
    m_core.registry().remove(body.clientID);
    co_return HttpReply::json(WireCoding::encode(DeletedPayload{body.clientID}));
}

QCoro::Task<HttpReply> AdminRoutes::probeClients(const IncomingRequest& request) {
    const auto body = JsonBody::decode<ProbeClientsBody>(request.body);
    const QList<ClientConfig> checked = co_await m_core.prober().probe(body.clientID);
    co_return HttpReply::json(WireCoding::encodeList(checked));
}

QCoro::Task<HttpReply> AdminRoutes::updateDisplayName(const IncomingRequest& request) {
    rename(JsonBody::decode<UpdateDisplayNameBody>(request.body).name);
    co_return HttpReply::json(WireCoding::encode(OKPayload{true}));
}

QString AdminRoutes::checkedName(const QString& requested) {
    const QString name = requested.trimmed();
    if (name.isEmpty()) {
        throw HttpError(400, QStringLiteral("Enter a name for this computer."));
    }
    if (name.size() > maxDisplayNameLength) {
        throw HttpError(400,
                        QStringLiteral("Use a name of at most %1 characters.").arg(maxDisplayNameLength));
    }
    if (!ClientRules::isCleanText(name)) {
        throw HttpError(400, QStringLiteral("Use a name without line breaks, control characters or broken "
                                            "Unicode (a lone surrogate)."));
    }
    return name;
}

void AdminRoutes::rename(const QString& requested) {
    const QString name = checkedName(requested);
    if (name != m_core.reporter().displayName()) {
        m_core.identity().setDisplayName(name);
        m_core.events().record(LogWriter::Level::Info, QStringLiteral("display_name_changed"),
                               QStringLiteral("This computer is now called %1.").arg(name));
    }
}
