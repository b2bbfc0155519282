#include "companion/PairingMachine.h"

#include "common/ContinuousSleep.h"
#include "companion/EventRecorder.h"
#include "companion/HttpError.h"
#include "companion/PairingStore.h"
#include "companion/StorageError.h"
#include "runtime/WireCoding.h"

#include <QRandomGenerator>
#include <QUuid>

namespace {

constexpr QStringView codeAlphabet = u"ABCDEFGHJKMNPQRSTUVWXYZ23456789";

AnyCodable text(const QString& value) {
    return AnyCodable{value};
}

} // namespace

PairingMachine::PairingMachine(PairingStore& store, EventRecorder& events, std::chrono::milliseconds lifetime,
                               QObject* parent)
    : QObject(parent), m_store(store), m_events(events), m_lifetime(lifetime) {
    expireIfDue();
    scheduleExpiry();
}

PairingMachine::~PairingMachine() {
    if (m_expiryCanceller) {
        m_expiryCanceller->cancel();
    }
}

const PairingRecord& PairingMachine::current() {
    expireIfDue();
    return m_store.current();
}

PairingStatePayload PairingMachine::payload() {
    const PairingRecord& record = current();
    PairingStatePayload payload;
    payload.status = record.status;
    payload.pairingId = record.pairingId;
    if (record.status == PairingStatus::Pending) {
        payload.code = record.code;
        payload.expiresAt = record.expiresAt;
    }
    return payload;
}

PairingStatePayload PairingMachine::begin() {
    const PairingRecord& existing = current();
    if (existing.status == PairingStatus::Pending) {
        return payload();
    }
    if (existing.status == PairingStatus::Paired) {
        throw HttpError(409,
                        QStringLiteral("This computer is already paired; unpair it before pairing again."));
    }
    PairingRecord record;
    record.status = PairingStatus::Pending;
    record.pairingId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    record.code = generateCode();
    record.expiresAt = QDateTime::currentDateTimeUtc().addMSecs(m_lifetime.count());
    store(record);
    m_events.record(LogWriter::Level::Info, QStringLiteral("pairing_started"),
                    QStringLiteral("Pairing started; the code waits for approval from the phone."),
                    {{QStringLiteral("pairing_id"), text(*record.pairingId)},
                     {QStringLiteral("expires_at"), text(WireCoding::formatDate(*record.expiresAt))}});
    return payload();
}

PairingStatePayload PairingMachine::reset(const QString& reason) {
    const PairingStatus previous = current().status;
    if (previous != PairingStatus::Unpaired) {
        store(PairingRecord{});
        m_events.record(LogWriter::Level::Info, QStringLiteral("pairing_reset"),
                        previous == PairingStatus::Paired
                            ? QStringLiteral("This computer was unpaired.")
                            : QStringLiteral("The pending pairing was cancelled."),
                        {{QStringLiteral("reason"), text(reason)},
                         {QStringLiteral("previous_status"), text(rawValue(previous))}});
    }
    return payload();
}

void PairingMachine::approve(QStringView code, const QString& trustOwnerId, const QString& source) {
    PairingRecord record = current();
    if (record.status != PairingStatus::Pending) {
        throw HttpError(409, QStringLiteral("No pairing is waiting for approval on this computer."));
    }
    if (m_guessesFor != record.pairingId.value_or(QString())) {
        m_guessesFor = record.pairingId.value_or(QString());
        m_wrongBySource.clear();
    }
    int& wrongHere = m_wrongBySource[source];
    if (wrongHere >= maxWrongCodes) {
        throw HttpError(429, QStringLiteral("Too many wrong pairing codes came from this device."));
    }
    if (normalizedCode(code) != normalizedCode(record.code.value_or(QString()))) {
        ++wrongHere;
        ++record.failedAttempts;
        if (record.failedAttempts >= maxWrongCodesInTotal) {
            store(PairingRecord{});
            m_events.record(LogWriter::Level::Warn, QStringLiteral("pairing_cancelled"),
                            QStringLiteral("The pending pairing was cancelled after too many wrong codes."),
                            {{QStringLiteral("attempts"), AnyCodable{qint64(record.failedAttempts)}}});
        } else {
            store(record);
            m_events.record(LogWriter::Level::Warn, QStringLiteral("pairing_code_rejected"),
                            QStringLiteral("A device on the local network offered a wrong pairing code."),
                            {{QStringLiteral("attempts"), AnyCodable{qint64(record.failedAttempts)}},
                             {QStringLiteral("source"), text(source)}});
        }
        throw HttpError(403, QStringLiteral("That pairing code is not valid."));
    }
    record.status = PairingStatus::Paired;
    record.code.reset();
    record.expiresAt.reset();
    record.trustOwnerId = trustOwnerId;
    record.pairedAt = QDateTime::currentDateTimeUtc();
    record.failedAttempts = 0;
    store(record);
    m_events.record(LogWriter::Level::Info, QStringLiteral("pairing_approved"),
                    QStringLiteral("The phone approved the pairing; this computer is paired."),
                    {{QStringLiteral("pairing_id"), text(record.pairingId.value_or(QString()))},
                     {QStringLiteral("trust_owner_id"), text(trustOwnerId)}});
}

bool PairingMachine::isPendingCode(QStringView code) {
    const PairingRecord& record = current();
    return record.status == PairingStatus::Pending && record.code &&
           normalizedCode(code) == normalizedCode(*record.code);
}

QString PairingMachine::generateCode() {
    QString code;
    for (int i = 0; i < codeLength; ++i) {
        if (i == codeLength / 2) {
            code += u'-';
        }
        code += codeAlphabet.at(QRandomGenerator::system()->bounded(int(codeAlphabet.size())));
    }
    return code;
}

QString PairingMachine::normalizedCode(QStringView typed) {
    QString normalized;
    for (const QChar c : typed) {
        if (!c.isSpace() && c != u'-') {
            normalized += c.toUpper();
        }
    }
    return normalized;
}

void PairingMachine::expireIfDue() {
    const PairingRecord& record = m_store.current();
    if (record.status != PairingStatus::Pending || !record.expiresAt ||
        *record.expiresAt > QDateTime::currentDateTimeUtc()) {
        return;
    }
    const QString pairingId = record.pairingId.value_or(QString());
    store(PairingRecord{});
    m_events.record(LogWriter::Level::Warn, QStringLiteral("pairing_expired"),
                    QStringLiteral("The pairing code expired before the phone approved it."),
                    {{QStringLiteral("pairing_id"), text(pairingId)}});
}

void PairingMachine::store(const PairingRecord& record) {
    const bool newExpiry = record.expiresAt != m_store.current().expiresAt;
    m_store.save(record);
    if (newExpiry) {
        scheduleExpiry();
    }
}

void PairingMachine::scheduleExpiry() {
    if (m_expiryCanceller) {
        m_expiryCanceller->cancel();
        m_expiryCanceller->deleteLater();
    }
    const PairingRecord& record = m_store.current();
    if (record.status != PairingStatus::Pending || !record.expiresAt) {
        return;
    }
    m_expiryCanceller = new SleepCanceller(this);
    expireWhenDue(*record.expiresAt, m_expiryCanceller);
}

QCoro::Task<> PairingMachine::expireWhenDue(QDateTime at, QPointer<SleepCanceller> canceller) {
    const QPointer<PairingMachine> self = this;
    const qint64 wait = std::max<qint64>(0, QDateTime::currentDateTimeUtc().msecsTo(at)) + 1;
    const bool elapsed = co_await continuousSleep(std::chrono::milliseconds(wait), canceller.data());
    if (!elapsed || !self) {
        co_return;
    }
    try {
        self->expireIfDue();
    } catch (const StorageError& error) {
        // Nobody awaits this task: say it in the log; the next read retries.
        self->m_events.log().write(LogWriter::Level::Error, u"storage_failed", error.description());
    }
}
