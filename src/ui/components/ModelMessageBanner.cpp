#include "ui/components/ModelMessageBanner.h"

#include "model/CompanionAppModel.h"

ModelMessageBanner::ModelMessageBanner(CompanionAppModel& model, QWidget* parent)
    : CompanionStatusBanner(parent), m_model(model) {
    connect(&model, &CompanionAppModel::errorMessageChanged, this, &ModelMessageBanner::refresh);
    connect(&model, &CompanionAppModel::noticeMessageChanged, this, &ModelMessageBanner::refresh);
    connect(this, &CompanionStatusBanner::dismissed, this, [this] {
        if (!m_model.errorMessage().value_or(QString()).trimmed().isEmpty()) {
            m_model.setErrorMessage(std::nullopt);
        } else {
            m_model.setNoticeMessage(std::nullopt);
        }
    });
    refresh();
}

void ModelMessageBanner::refresh() {
    const QString error = m_model.errorMessage().value_or(QString()).trimmed();
    const QString notice = m_model.noticeMessage().value_or(QString());
    if (!error.isEmpty()) {
        setContent(QStringLiteral("exclamationmark.triangle"), tr("Needs attention"), error,
                   StatusTint::Orange);
    } else if (!notice.isEmpty()) {
        setContent(QStringLiteral("checkmark.circle"), tr("Done"), notice, StatusTint::Blue);
    }
    setVisible(!error.isEmpty() || !notice.isEmpty());
}
