#include "QbittorrentCheck.h"

#include "ClientAuthState.h"
#include "ClientHttpSession.h"

#include <QUrl>

namespace {

QByteArray formField(const char* name, const std::optional<QString>& value) {
    // Percent-encodes '+', '&' and '=' too, which a form body would otherwise misread.
    return QByteArray(name) + '=' + QUrl::toPercentEncoding(value.value_or(QString()));
}

QCoro::Task<QString> readText(ClientHttpSession& session, const QString& path) {
    const ClientHttpAnswer answer = co_await session.get(path);
    if (answer.status == 403) {
        throw ClientCheckError(
            ClientAuthState::authFailed,
            session.displayName() +
                QStringLiteral(" accepted the login but not the session that followed. Check "
                               "its Web UI settings, then test the client again."));
    }
    if (answer.status != 200) {
        throw session.unexpectedStatus(answer, path);
    }
    const QString text = QString::fromUtf8(answer.body).trimmed();
    if (text.isEmpty()) {
        throw session.badResponse(QStringLiteral("an empty answer from ") + path);
    }
    co_return text;
}

} // namespace

QCoro::Task<AnyCodableMap> checkQbittorrent(ClientHttpSession& session) {
    const QString loginPath = QStringLiteral("/api/v2/auth/login");
    const ClientHttpAnswer login =
        co_await session.post(loginPath, QByteArrayLiteral("application/x-www-form-urlencoded"),
                              formField("username", session.client().username) + '&' +
                                  formField("password", session.client().password));
    const QString loginText = QString::fromUtf8(login.body).trimmed();
    if (login.status == 403 && loginText.contains(QStringLiteral("banned"), Qt::CaseInsensitive)) {
        throw ClientCheckError(
            ClientAuthState::banned,
            session.displayName() +
                QStringLiteral(" has banned this computer after too many failed logins. Wait "
                               "until the ban ends or restart qBittorrent, then check the user "
                               "name and password before testing again."));
    }
    // "Fails." means wrong credentials whichever of these statuses carries it.
    if ((login.status == 200 || login.status == 401) && loginText == QStringLiteral("Fails.")) {
        throw ClientCheckError(
            ClientAuthState::authFailed,
            session.displayName() +
                QStringLiteral(" rejected the user name or password. Enter the ones set in "
                               "qBittorrent’s Web UI settings."));
    }
    if (login.status == 401 || login.status == 403) {
        throw ClientCheckError(
            ClientAuthState::authFailed,
            session.displayName() +
                QStringLiteral(" refused the login request. Check the Web UI’s host header "
                               "validation and IP settings in qBittorrent."));
    }
    if (login.status != 200) {
        throw session.unexpectedStatus(login, loginPath);
    }
    if (loginText != QStringLiteral("Ok.")) {
        throw session.badResponse(QStringLiteral("an unknown login answer"));
    }

    QString version = co_await readText(session, QStringLiteral("/api/v2/app/version"));
    if (version.startsWith(u'v')) {
        version.remove(0, 1);
    }
    const QString apiVersion = co_await readText(session, QStringLiteral("/api/v2/app/webapiVersion"));
    co_return AnyCodableMap{{QStringLiteral("client_version"), AnyCodable{version}},
                            {QStringLiteral("api_version"), AnyCodable{apiVersion}}};
}
