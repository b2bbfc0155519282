#include "runtime/JsonKeyPath.h"

#include "runtime/WireCoding.h"

namespace WireCoding::detail {

QString JsonKeyPath::text() const {
    if (!m_parent) {
        return {};
    }
    QString path = m_parent->text();
    if (m_index >= 0) {
        path += u'[' + QString::number(m_index) + u']';
    } else {
        if (!path.isEmpty()) {
            path += u'.';
        }
        path += snakeCaseKey(QString(m_member));
    }
    return path;
}

} // namespace WireCoding::detail
