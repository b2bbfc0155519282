#pragma once

#include "companion/PairingRecord.h"
#include "runtime/PairingStatePayload.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringView>

#include <chrono>

class EventRecorder;
class PairingStore;
class SleepCanceller;

// unpaired → (begin) → pending with a code a person can type → (approval from the
// phone on the local network) → paired; reset returns to unpaired from anywhere,
// and a pending pairing whose code expired returns to unpaired by itself.
class PairingMachine : public QObject {
    Q_OBJECT
public:
    // Wrong codes for one pending pairing from one address before that address
    // may guess no more, and from all addresses before the pairing is cancelled,
    // so that the code cannot be guessed from the local network and one device
    // cannot cancel the pairing for everyone.
    static constexpr int maxWrongCodes = 10;
    static constexpr int maxWrongCodesInTotal = 100;
    static constexpr int codeLength = 8;

    PairingMachine(PairingStore& store, EventRecorder& events, std::chrono::milliseconds lifetime,
                   QObject* parent = nullptr);
    ~PairingMachine() override;

    // The current state; a pending pairing past its expiry becomes unpaired first.
    const PairingRecord& current();
    PairingStatePayload payload();

    // Starts a pairing, or answers the pending one unchanged. Refused (409) while paired.
    PairingStatePayload begin();
    PairingStatePayload reset(const QString& reason);
    // The phone's approval from the address source. Throws HttpError: 409 when
    // nothing is pending, 403 for a wrong code, 429 once source guessed too often.
    void approve(QStringView code, const QString& trustOwnerId, const QString& source);
    bool isPendingCode(QStringView code);

    // Eight characters from an alphabet without look-alikes (no 0/O, 1/I/L), as XXXX-XXXX.
    static QString generateCode();
    // What a person typed, compared without case, spaces and dashes.
    static QString normalizedCode(QStringView typed);

private:
    void expireIfDue();
    void store(const PairingRecord& record);
    void scheduleExpiry();
    QCoro::Task<> expireWhenDue(QDateTime at, QPointer<SleepCanceller> canceller);

    PairingStore& m_store;
    EventRecorder& m_events;
    std::chrono::milliseconds m_lifetime;
    QPointer<SleepCanceller> m_expiryCanceller;
    // Wrong codes per address, for the pending pairing named.
    QString m_guessesFor;
    QHash<QString, int> m_wrongBySource;
};
