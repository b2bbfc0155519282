#include "ui/dashboard/UpdateActionButton.h"

#include "model/CompanionAppModel.h"
#include "model/UpdateInstallState.h"
#include "update/ResolvedReleaseStatus.h"

UpdateActionButton::UpdateActionButton(CompanionAppModel& model, QWidget* parent)
    : QPushButton(parent), m_model(model) {
    connect(this, &QPushButton::clicked, this, [this] { m_model.openUpdateAction(); });
    connect(&m_model, &CompanionAppModel::releaseStatusChanged, this, &UpdateActionButton::refresh);
    connect(&m_model, &CompanionAppModel::updateInstallStateChanged, this, &UpdateActionButton::refresh);
    refresh();
}

bool UpdateActionButton::isOffered() const {
    return m_model.releaseStatus().updateAvailable || m_model.releaseStatus().updateRequired;
}

void UpdateActionButton::refresh() {
    const QString label = m_model.updateActionLabel();
    if (text() != label) {
        setText(label);
    }
    setEnabled(!m_model.updateInstallState().blocksUpdateActions());
    setVisible(isOffered());
}
