#pragma once

#include "model/IdKeyedListModel.h"
#include "runtime/ClientConfig.h"

class CompanionAppModel;

// The model's clients in display order, for list views; follows every refresh.
class ClientListModel : public IdKeyedRows<ClientConfig> {
    Q_OBJECT
public:
    explicit ClientListModel(CompanionAppModel& model, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    const ClientConfig& clientAt(int row) const { return rowAt(row); }
};
