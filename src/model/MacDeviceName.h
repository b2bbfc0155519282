#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// This computer's friendly name (the companion's default name) and its host
// names, which the runtime tends to report as a name when nobody chose one.
class MacDeviceName {
public:
    // What the system offers; blank when a source has nothing.
    struct Sources {
        QString prettyHostName;  // PRETTY_HOSTNAME of /etc/machine-info
        QString machineHostName; // QSysInfo::machineHostName()
        QString processHostName; // gethostname()
    };

    explicit MacDeviceName(Sources sources);
    // Reads the system's names now.
    static MacDeviceName current();

    // The first non-blank of the pretty name, the host name and the process's
    // host name, trimmed; "My Mac" when all are blank.
    QString computerName() const;
    // The host name with ".local" appended; empty without a host name.
    QString localHostName() const;
    // True for a blank name, "My Mac", or a name that is one of the host names
    // written differently (compared in canonical form).
    bool shouldPreferComputerName(QStringView name) const;

    // Trimmed, a leading ".local" removed, letters and digits only, lower case.
    static QString canonicalForm(QStringView name);
    // The PRETTY_HOSTNAME value of a machine-info file's text, unquoted; empty when not set.
    static QString prettyHostName(const QByteArray& machineInfo);

private:
    Sources m_sources;
};
