#include "ui/settings/SettingsUpdateButton.h"

#include "model/CompanionAppModel.h"

SettingsUpdateButton::SettingsUpdateButton(CompanionAppModel& model, QWidget* parent)
    : QPushButton(parent), m_model(model) {
    connect(this, &QPushButton::clicked, &m_model, &CompanionAppModel::openUpdateAction);
    connect(&m_model, &CompanionAppModel::releaseStatusChanged, this, &SettingsUpdateButton::render);
    connect(&m_model, &CompanionAppModel::updateInstallStateChanged, this, &SettingsUpdateButton::render);
    render();
}

void SettingsUpdateButton::render() {
    setText(m_model.updateActionLabel());
    setEnabled(!m_model.updateInstallState().blocksUpdateActions());
}
