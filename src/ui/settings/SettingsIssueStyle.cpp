#include "ui/settings/SettingsIssueStyle.h"

SettingsIssueStyle SettingsIssueStyle::forLevel(QStringView level) {
    const QString lowered = level.toString().toLower();
    if (lowered == u"error" || lowered == u"critical") {
        return {QStringLiteral("xmark.octagon"), StatusTint::Red};
    }
    if (lowered == u"warn" || lowered == u"warning") {
        return {QStringLiteral("exclamationmark.triangle"), StatusTint::Orange};
    }
    return {QStringLiteral("info.circle"), StatusTint::Secondary};
}
