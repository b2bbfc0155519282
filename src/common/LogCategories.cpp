#include "common/LogCategories.h"

Q_LOGGING_CATEGORY(lcModel, "vendrilo.model", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSupervision, "vendrilo.supervision", QtInfoMsg)
Q_LOGGING_CATEGORY(lcUpdate, "vendrilo.update", QtInfoMsg)
Q_LOGGING_CATEGORY(lcUi, "vendrilo.ui", QtInfoMsg)
