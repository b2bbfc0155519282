#pragma once

#include <QString>

#include <optional>

class Database;

// Who this companion is: an identifier generated once, on the first start, and
// the name the user gave it (until then the computer's name is shown).
class IdentityStore {
public:
    explicit IdentityStore(const Database& database);

    const QString& companionId() const noexcept { return m_companionId; }
    const std::optional<QString>& chosenDisplayName() const noexcept { return m_chosenDisplayName; }
    void setDisplayName(const QString& name);

private:
    const Database& m_database;
    QString m_companionId;
    std::optional<QString> m_chosenDisplayName;
};
