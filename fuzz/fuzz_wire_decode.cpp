// Feeds arbitrary bytes to every wire decoder. A decode must either fail with a
// DecodingError or give a record that survives encoding and decoding unchanged;
// anything else (another exception, a crash, a sanitizer report, a hang) is a finding.

#include "runtime/ClientConfig.h"
#include "runtime/HealthSummary.h"
#include "runtime/RequestBodies.h"
#include "runtime/RuntimeSnapshot.h"
#include "runtime/SmallPayloads.h"
#include "runtime/WireCoding.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

[[noreturn]] void fail(const char* what, const QByteArray& encoded) {
    std::fprintf(stderr, "%s\nre-encoded: %s\n", what, encoded.constData());
    std::abort();
}

template <typename T> void checkRecord(const QByteArray& bytes) {
    std::optional<T> decoded;
    try {
        decoded = WireCoding::decode<T>(bytes);
    } catch (const DecodingError&) {
        return;
    }
    const QByteArray encoded = WireCoding::encode(*decoded);
    try {
        if (!(WireCoding::decode<T>(encoded) == *decoded)) {
            fail("re-decoded record differs", encoded);
        }
    } catch (const DecodingError& error) {
        fail(error.what(), encoded);
    }
}

template <typename T> void checkList(const QByteArray& bytes) {
    std::optional<QList<T>> decoded;
    try {
        decoded = WireCoding::decodeList<T>(bytes);
    } catch (const DecodingError&) {
        return;
    }
    const QByteArray encoded = WireCoding::encodeList(*decoded);
    try {
        if (!(WireCoding::decodeList<T>(encoded) == *decoded)) {
            fail("re-decoded list differs", encoded);
        }
    } catch (const DecodingError& error) {
        fail(error.what(), encoded);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    checkRecord<RuntimeSnapshot>(bytes);
    checkRecord<HealthSummary>(bytes);
    checkRecord<DiagnosticEvent>(bytes);
    checkRecord<PairingStatePayload>(bytes);
    checkRecord<PairingLinkPayload>(bytes);
    checkRecord<HealthcheckPayload>(bytes);
    checkRecord<RuntimeVersionPayload>(bytes);
    checkRecord<OKPayload>(bytes);
    checkRecord<DeletedPayload>(bytes);
    checkRecord<ClientConfig>(bytes);
    checkRecord<LocalNetworkSnapshot>(bytes);
    checkRecord<ClientHealthRollup>(bytes);
    checkRecord<ClientHealth>(bytes);
    checkRecord<BeginPairingBody>(bytes);
    checkRecord<ResetPairingBody>(bytes);
    checkRecord<DeleteClientBody>(bytes);
    checkRecord<ProbeClientsBody>(bytes);
    checkRecord<UpdateDisplayNameBody>(bytes);
    checkList<DiagnosticEvent>(bytes);
    checkList<ClientConfig>(bytes);
    return 0;
}
