#include "model/ClientListModel.h"

#include "model/CompanionAppModel.h"

ClientListModel::ClientListModel(CompanionAppModel& model, QObject* parent) : IdKeyedRows(parent) {
    const auto reload = [this, &model] { apply(model.currentClients()); };
    connect(&model, &CompanionAppModel::runtimeChanged, this, reload);
    reload();
}

QVariant ClientListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const ClientConfig& client = clientAt(index.row());
    if (role == Qt::DisplayRole) {
        return client.label;
    }
    return role == IdRole ? QVariant(client.id) : QVariant();
}
