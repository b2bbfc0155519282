#pragma once

#include "common/UserFacingError.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>

// JSON coding of the runtime's wire records, one definition for both ends of the wire.
//
// Decoding is strict: a missing required key, a null in a required member, a
// wrong JSON type anywhere (also for optional members), an unknown enumeration
// value or a bad date fails the whole answer with a DecodingError naming the
// key path and what was expected. Keys are converted snake_case → camelCase
// before matching (keys inside capabilities/details are kept as they are).
// Encoding writes snake_case keys, leaves absent optionals out and writes dates
// as UTC with three fractional digits and Z.

class DecodingError : public UserFacingError {
public:
    using UserFacingError::UserFacingError;
};

namespace WireCoding {

// Supported T: RuntimeSnapshot, HealthSummary, DiagnosticEvent, PairingStatePayload,
// PairingLinkPayload, HealthcheckPayload, RuntimeVersionPayload, OKPayload,
// DeletedPayload, ClientConfig, LocalNetworkSnapshot, ClientHealthRollup, ClientHealth,
// BeginPairingBody, ResetPairingBody, DeleteClientBody, ProbeClientsBody,
// UpdateDisplayNameBody. (Defined for exactly these types in the implementation.)
template <typename T> T decode(const QByteArray& json);
template <typename T> QList<T> decodeList(const QByteArray& json);
template <typename T> QByteArray encode(const T& value);
template <typename T> QByteArray encodeList(const QList<T>& values);

// heartbeatIntervalS → heartbeat_interval_s, clientID → client_id.
QString snakeCaseKey(QStringView camelCase);
// last_ok_at → lastOkAt; a key without "_" is returned as it is.
QString camelCaseKey(QStringView snakeCase);

// Internet date-time with or without fractional seconds; throws DecodingError
// "Unsupported ISO-8601 date: <text>" otherwise.
QDateTime parseDate(QStringView text);
// UTC, three fractional digits, suffix Z: 2025-03-04T05:06:07.089Z
QString formatDate(const QDateTime& date);

} // namespace WireCoding
