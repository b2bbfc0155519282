#include "model/IdKeyedListModel.h"

#include <QSet>

int IdKeyedListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : storedCount();
}

QHash<int, QByteArray> IdKeyedListModel::roleNames() const {
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(IdRole, "id");
    return names;
}

void IdKeyedListModel::applyIncoming() {
    const int incoming = incomingCount();
    if (storedCount() == 0) {
        if (incoming > 0) {
            beginInsertRows({}, 0, incoming - 1);
            adoptIncoming();
            endInsertRows();
        }
        return;
    }

    QSet<QString> wanted;
    wanted.reserve(incoming);
    for (int index = 0; index < incoming; ++index) {
        wanted.insert(incomingId(index));
    }
    for (int row = storedCount() - 1; row >= 0; --row) {
        if (!wanted.contains(storedId(row))) {
            beginRemoveRows({}, row, row);
            removeStored(row);
            endRemoveRows();
        }
    }

    // Row by row: keep, pull an existing row up into place, or insert.
    for (int index = 0; index < incoming; ++index) {
        const QString id = incomingId(index);
        if (index >= storedCount() || storedId(index) != id) {
            int found = -1;
            for (int row = index + 1; row < storedCount(); ++row) {
                if (storedId(row) == id) {
                    found = row;
                    break;
                }
            }
            if (found < 0) {
                beginInsertRows({}, index, index);
                insertStored(index, index);
                endInsertRows();
                continue;
            }
            beginMoveRows({}, found, found, {}, index);
            moveStored(found, index);
            endMoveRows();
        }
        if (replaceStored(index, index)) {
            const QModelIndex changed = this->index(index);
            Q_EMIT dataChanged(changed, changed);
        }
    }
    // Rows left over are duplicates of ids already placed.
    while (storedCount() > incoming) {
        const int row = storedCount() - 1;
        beginRemoveRows({}, row, row);
        removeStored(row);
        endRemoveRows();
    }
}
