#pragma once

#include "model/IdKeyedListModel.h"
#include "runtime/DiagnosticEvent.h"

class CompanionAppModel;

// The newest diagnostics in the model's order, for list views; follows every refresh.
class DiagnosticListModel : public IdKeyedRows<DiagnosticEvent> {
    Q_OBJECT
public:
    explicit DiagnosticListModel(CompanionAppModel& model, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    const DiagnosticEvent& eventAt(int row) const { return rowAt(row); }
};
