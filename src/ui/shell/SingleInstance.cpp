#include "ui/shell/SingleInstance.h"

#include "common/LogCategories.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace {

constexpr int handOverTimeoutMs = 5000;
const QByteArray reopenMessage = QByteArrayLiteral("reopen\n");
const QByteArray backgroundMessage = QByteArrayLiteral("background\n");
const QByteArray acknowledgement = QByteArrayLiteral("ok\n");

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath)) {}

QString SingleInstance::socketPathFor(const QString& bundleIdentifier) {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + u'/' + bundleIdentifier +
           QStringLiteral(".instance");
}

bool SingleInstance::claim(Launch launch) {
    // Two launches at the same moment must not both take over the socket.
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    if (!lock.tryLock(handOverTimeoutMs)) {
        qCWarning(lcUi) << "Could not lock" << lock.error() << "; starting anyway";
    }
    if (handOver(launch)) {
        return false;
    }
    // Nobody answers: what is left is a crashed instance's socket.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath)) {
        qCWarning(lcUi).noquote() << "A second launch cannot find this one:" << m_server->errorString();
        return true;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { answer(socket); });
        }
    });
    return true;
}

bool SingleInstance::handOver(Launch launch) const {
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(handOverTimeoutMs)) {
        return false;
    }
    socket.write(launch == Launch::Reopen ? reopenMessage : backgroundMessage);
    // The answer tells that the running instance read the message before this one exits.
    if (!socket.waitForBytesWritten(handOverTimeoutMs) || !socket.waitForReadyRead(handOverTimeoutMs)) {
        qCWarning(lcUi) << "The running instance did not answer:" << socket.errorString();
    }
    return true;
}

void SingleInstance::answer(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        return;
    }
    const QByteArray message = socket->readLine();
    socket->write(acknowledgement);
    socket->disconnectFromServer();
    if (message == reopenMessage) {
        Q_EMIT reopenRequested();
    }
}
