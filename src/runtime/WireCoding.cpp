#include "runtime/WireCoding.h"

#include "runtime/JsonRecordReader.h"
#include "runtime/JsonRecordWriter.h"
#include "runtime/WireRecordShapes.h"

#include <QCoreApplication>
#include <QJsonDocument>

namespace WireCoding {

namespace {

QJsonValue parse(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        throw DecodingError(QCoreApplication::translate("DecodingError", "Not valid JSON: %1 at offset %2.")
                                .arg(error.errorString(), QString::number(error.offset)));
    }
    if (document.isArray()) {
        return document.array();
    }
    return document.object();
}

QByteArray serialize(const QJsonValue& value) {
    const QJsonDocument document =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    return document.toJson(QJsonDocument::Compact);
}

} // namespace

template <typename T> T decode(const QByteArray& json) {
    T value{};
    detail::decodeValue(parse(json), detail::JsonKeyPath(), value);
    return value;
}

template <typename T> QList<T> decodeList(const QByteArray& json) {
    QList<T> values;
    detail::decodeValue(parse(json), detail::JsonKeyPath(), values);
    return values;
}

template <typename T> QByteArray encode(const T& value) {
    return serialize(detail::encodeValue(value));
}

template <typename T> QByteArray encodeList(const QList<T>& values) {
    return serialize(detail::encodeValue(values));
}

#define VC_WIRE_RECORD(T)                                                                                    \
    template T decode<T>(const QByteArray&);                                                                 \
    template QList<T> decodeList<T>(const QByteArray&);                                                      \
    template QByteArray encode<T>(const T&);                                                                 \
    template QByteArray encodeList<T>(const QList<T>&);

VC_WIRE_RECORD(RuntimeSnapshot)
VC_WIRE_RECORD(HealthSummary)
VC_WIRE_RECORD(DiagnosticEvent)
VC_WIRE_RECORD(PairingStatePayload)
VC_WIRE_RECORD(PairingLinkPayload)
VC_WIRE_RECORD(HealthcheckPayload)
VC_WIRE_RECORD(RuntimeVersionPayload)
VC_WIRE_RECORD(OKPayload)
VC_WIRE_RECORD(DeletedPayload)
VC_WIRE_RECORD(ClientConfig)
VC_WIRE_RECORD(LocalNetworkSnapshot)
VC_WIRE_RECORD(ClientHealthRollup)
VC_WIRE_RECORD(ClientHealth)
VC_WIRE_RECORD(BeginPairingBody)
VC_WIRE_RECORD(ResetPairingBody)
VC_WIRE_RECORD(DeleteClientBody)
VC_WIRE_RECORD(ProbeClientsBody)
VC_WIRE_RECORD(UpdateDisplayNameBody)

#undef VC_WIRE_RECORD

} // namespace WireCoding
