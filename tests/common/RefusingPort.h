#pragma once

#include <QTcpSocket>

// A loopback port held bound but never listening: connections to it are
// refused, and no other socket can take it while this object lives.
class RefusingPort {
public:
    RefusingPort() { m_socket.bind(QHostAddress::LocalHost, 0, QAbstractSocket::DontShareAddress); }
    quint16 port() const { return m_socket.localPort(); }

private:
    QTcpSocket m_socket;
};
