#include "runtime/HostRules.h"

#include <QString>

bool isLoopbackHost(QStringView host) {
    const QString normalized = host.trimmed().toString().toLower();
    return normalized == u"localhost" || normalized == u"::1" || normalized == u"0.0.0.0" ||
           normalized.startsWith(u"127.");
}

HostKind inferredHostKind(QStringView host, HostKind fallback) {
    const QStringView trimmed = host.trimmed();
    if (trimmed.isEmpty()) {
        return fallback;
    }
    return isLoopbackHost(trimmed) ? HostKind::Local : HostKind::Lan;
}
