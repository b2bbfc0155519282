#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>

// A list model whose rows are identified by an id. Applying a new list moves,
// inserts, removes and updates rows one by one, so views keep their selection
// and scroll position across refreshes; nothing is signalled when nothing
// changed. Subclasses hold the typed rows and the incoming list.
class IdKeyedListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { IdRole = Qt::UserRole + 1 };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QHash<int, QByteArray> roleNames() const override;

protected:
    // Call after the subclass staged its incoming rows.
    void applyIncoming();

    virtual int storedCount() const = 0;
    virtual QString storedId(int row) const = 0;
    virtual int incomingCount() const = 0;
    virtual QString incomingId(int index) const = 0;
    virtual void removeStored(int row) = 0;
    virtual void moveStored(int from, int to) = 0;
    virtual void insertStored(int row, int incomingIndex) = 0;
    // Replaces the stored row with the incoming one; false when they are equal.
    virtual bool replaceStored(int row, int incomingIndex) = 0;
    // The whole incoming list at once (the first fill).
    virtual void adoptIncoming() = 0;
};

// The typed storage: Row has an `id` and compares with ==.
template <typename Row> class IdKeyedRows : public IdKeyedListModel {
public:
    using IdKeyedListModel::IdKeyedListModel;

    const Row& rowAt(int row) const { return m_rows.at(row); }

protected:
    void apply(QList<Row> incoming) {
        m_incoming = std::move(incoming);
        applyIncoming();
        m_incoming.clear();
    }

private:
    int storedCount() const override { return int(m_rows.size()); }
    QString storedId(int row) const override { return m_rows.at(row).id; }
    int incomingCount() const override { return int(m_incoming.size()); }
    QString incomingId(int index) const override { return m_incoming.at(index).id; }
    void removeStored(int row) override { m_rows.removeAt(row); }
    void moveStored(int from, int to) override { m_rows.move(from, to); }
    void insertStored(int row, int incomingIndex) override {
        m_rows.insert(row, m_incoming.at(incomingIndex));
    }
    bool replaceStored(int row, int incomingIndex) override {
        if (m_rows.at(row) == m_incoming.at(incomingIndex)) {
            return false;
        }
        m_rows[row] = m_incoming.at(incomingIndex);
        return true;
    }
    void adoptIncoming() override { m_rows = m_incoming; }

    QList<Row> m_rows;
    QList<Row> m_incoming;
};
