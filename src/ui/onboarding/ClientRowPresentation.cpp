#include "ui/onboarding/ClientRowPresentation.h"

#include <QCoreApplication>

namespace {

bool isReachable(const ClientConfig& client) {
    return client.authState.trimmed().toLower() == u"ok" && client.lastError.value_or(QString()).isEmpty();
}

} // namespace

QString ClientRowPresentation::capitalizedWords(const QString& text) {
    QString result = text.toLower();
    bool wordStart = true;
    for (QChar& character : result) {
        if (character.isSpace()) {
            wordStart = true;
        } else if (wordStart) {
            character = character.toUpper();
            wordStart = false;
        }
    }
    return result;
}

QString ClientRowPresentation::statusLabel(const ClientConfig& client) {
    if (isReachable(client)) {
        return QCoreApplication::translate("ClientRowPresentation", "Reachable");
    }
    if (!client.lastError.value_or(QString()).isEmpty()) {
        return QCoreApplication::translate("ClientRowPresentation", "Needs Attention");
    }
    if (!client.authState.isEmpty()) {
        return capitalizedWords(QString(client.authState).replace(u'_', u' '));
    }
    return QCoreApplication::translate("ClientRowPresentation", "Unknown");
}

StatusTint ClientRowPresentation::statusTint(const ClientConfig& client) {
    if (isReachable(client)) {
        return StatusTint::Green;
    }
    return client.lastError.value_or(QString()).isEmpty() ? StatusTint::Secondary : StatusTint::Orange;
}

QString ClientRowPresentation::typeName(ClientType type) {
    switch (type) {
    case ClientType::Qbittorrent:
        return QStringLiteral("qBittorrent");
    case ClientType::Transmission:
        return QStringLiteral("Transmission");
    case ClientType::Deluge:
        break;
    }
    return QStringLiteral("Deluge");
}

QString ClientRowPresentation::typeSymbol(ClientType type) {
    switch (type) {
    case ClientType::Qbittorrent:
        return QStringLiteral("bolt.circle");
    case ClientType::Transmission:
        return QStringLiteral("arrow.up.arrow.down.circle");
    case ClientType::Deluge:
        break;
    }
    return QStringLiteral("drop.circle");
}

QString ClientRowPresentation::addressLine(const ClientConfig& client) {
    return typeName(client.type) + u" • " + (client.useTls ? u"https" : u"http") + u"://" + client.host +
           u':' + QString::number(client.port);
}
