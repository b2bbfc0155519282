#include "companion/LanRoutes.h"

#include "companion/ClientRules.h"
#include "companion/CompanionCore.h"
#include "companion/HttpError.h"
#include "companion/HttpService.h"
#include "companion/JsonBody.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr qsizetype maxTrustOwnerIdLength = 200;

QString requiredText(const QJsonObject& object, const QString& key, const QString& sentence) {
    const QJsonValue value = object.value(key);
    if (!value.isString() || value.toString().trimmed().isEmpty()) {
        throw HttpError(400, sentence);
    }
    return value.toString().trimmed();
}

} // namespace

void LanRoutes::install(HttpService& service) {
    service.addRoute("GET", QStringLiteral("/v1/lan/hello"),
                     [this](const IncomingRequest& request) { return hello(request); });
    service.addRoute("POST", QStringLiteral("/v1/lan/pairing/approve"),
                     [this](const IncomingRequest& request) { return approve(request); });
}

QCoro::Task<HttpReply> LanRoutes::hello(const IncomingRequest&) {
    const RuntimeFacts& facts = m_core.reporter().facts();
    QJsonObject answer{{QStringLiteral("service"), QStringLiteral("vendrilo-connect-companion")},
                       {QStringLiteral("display_name"), m_core.reporter().displayName()},
                       {QStringLiteral("platform"), facts.platform},
                       {QStringLiteral("agent_version"), facts.agentVersion},
                       {QStringLiteral("lan_nonce"), m_core.network().nonce()},
                       {QStringLiteral("pairing_status"), rawValue(m_core.pairing().current().status)}};
    co_return HttpReply::json(QJsonDocument(answer).toJson(QJsonDocument::Compact));
}

QCoro::Task<HttpReply> LanRoutes::approve(const IncomingRequest& request) {
    const QJsonObject body = JsonBody::object(request.body);
    const QString code =
        requiredText(body, QStringLiteral("code"), QStringLiteral("Enter the pairing code."));
    const QString trustOwnerId = requiredText(body, QStringLiteral("trust_owner_id"),
                                              QStringLiteral("The approval does not name its trust owner."));
    if (trustOwnerId.size() > maxTrustOwnerIdLength || !ClientRules::isCleanText(trustOwnerId)) {
        throw HttpError(400, QStringLiteral("The trust owner id is too long or not plain text."));
    }
    m_core.pairing().approve(code, trustOwnerId, request.remoteAddress.toString());
    QJsonObject answer{{QStringLiteral("status"), rawValue(PairingStatus::Paired)},
                       {QStringLiteral("companion_id"), m_core.identity().companionId()},
                       {QStringLiteral("display_name"), m_core.reporter().displayName()},
                       {QStringLiteral("platform"), m_core.reporter().facts().platform}};
    co_return HttpReply::json(QJsonDocument(answer).toJson(QJsonDocument::Compact));
}
