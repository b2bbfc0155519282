#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// One running app per user. The first launch listens on a local socket in the
// user's runtime directory; a later launch hands itself over to it and exits,
// and unless it was started in the background the running one opens its
// dashboard again.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Launch { Reopen, Background };

    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);
    // <runtime directory>/<bundle identifier>.instance
    static QString socketPathFor(const QString& bundleIdentifier);

    // True when this process is now the running instance; false when another
    // one runs and has been told about this launch.
    bool claim(Launch launch);

Q_SIGNALS:
    void reopenRequested();

private:
    bool handOver(Launch launch) const;
    void answer(QLocalSocket* socket);

    QString m_socketPath;
    QLocalServer* m_server = nullptr;
};
