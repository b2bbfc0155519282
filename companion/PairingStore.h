#pragma once

#include "companion/PairingRecord.h"

class Database;

class PairingStore {
public:
    // Throws StorageError when the stored record cannot be read back.
    explicit PairingStore(const Database& database);

    const PairingRecord& current() const noexcept { return m_current; }
    void save(const PairingRecord& record);

private:
    const Database& m_database;
    PairingRecord m_current;
};
