#include "ui/components/ClientPresentation.h"

#include <QCoreApplication>

namespace {

bool isReachable(const ClientConfig& client) {
    return client.authState.trimmed().toLower() == QLatin1String("ok") &&
           client.lastError.value_or(QString()).isEmpty();
}

bool hasError(const ClientConfig& client) {
    return !client.lastError.value_or(QString()).isEmpty();
}

// Every word starts upper case, the rest is lower case.
QString capitalizedWords(const QString& text) {
    QString result = text.toLower();
    bool wordStart = true;
    for (QChar& character : result) {
        if (character.isLetterOrNumber()) {
            if (wordStart) {
                character = character.toUpper();
            }
            wordStart = false;
        } else {
            wordStart = true;
        }
    }
    return result;
}

QString tr(const char* text) {
    return QCoreApplication::translate("ClientPresentation", text);
}

} // namespace

QString ClientPresentation::statusLabel(const ClientConfig& client) {
    if (isReachable(client)) {
        return tr("Reachable");
    }
    if (hasError(client)) {
        return tr("Needs Attention");
    }
    if (!client.authState.isEmpty()) {
        return capitalizedWords(QString(client.authState).replace(QLatin1Char('_'), QLatin1Char(' ')));
    }
    return tr("Unknown");
}

StatusTint ClientPresentation::statusTint(const ClientConfig& client) {
    if (isReachable(client)) {
        return StatusTint::Green;
    }
    return hasError(client) ? StatusTint::Orange : StatusTint::Secondary;
}

QString ClientPresentation::typeSymbol(ClientType type) {
    switch (type) {
    case ClientType::Qbittorrent:
        return QStringLiteral("bolt.circle");
    case ClientType::Transmission:
        return QStringLiteral("arrow.up.arrow.down.circle");
    case ClientType::Deluge:
        return QStringLiteral("drop.circle");
    }
    return {};
}

QString ClientPresentation::addressLine(const ClientConfig& client) {
    return productName(client.type) % QStringLiteral(" • ") %
           (client.useTls ? QStringLiteral("https") : QStringLiteral("http")) % QStringLiteral("://") %
           client.host % QLatin1Char(':') % QString::number(client.port);
}
