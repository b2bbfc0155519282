#pragma once

#include <QLoggingCategory>

// One category per subsystem, so a user can turn on what they need with
// QT_LOGGING_RULES (e.g. "vendrilo.update.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcModel)
Q_DECLARE_LOGGING_CATEGORY(lcSupervision)
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)
Q_DECLARE_LOGGING_CATEGORY(lcUi)
