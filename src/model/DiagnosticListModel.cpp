#include "model/DiagnosticListModel.h"

#include "model/CompanionAppModel.h"

DiagnosticListModel::DiagnosticListModel(CompanionAppModel& model, QObject* parent) : IdKeyedRows(parent) {
    const auto reload = [this, &model] { apply(model.diagnostics()); };
    connect(&model, &CompanionAppModel::diagnosticsChanged, this, reload);
    reload();
}

QVariant DiagnosticListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const DiagnosticEvent& event = eventAt(index.row());
    if (role == Qt::DisplayRole) {
        return event.message;
    }
    return role == IdRole ? QVariant(event.id) : QVariant();
}
