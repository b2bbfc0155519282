#pragma once

#include "runtime/ClientConfig.h"
#include "runtime/HealthSummary.h"
#include "runtime/RequestBodies.h"
#include "runtime/RuntimeSnapshot.h"
#include "runtime/SmallPayloads.h"

#include <QLatin1StringView>

#include <type_traits>

// The members of every wire record with their presence rule, written once and
// walked by both the reader (R non-const) and the writer (R const). Member
// names are the camel-case ones; the wire keys are derived from them.

namespace WireCoding::detail {

template <typename R, typename Record>
concept RecordOf = std::is_same_v<std::remove_const_t<R>, Record>;

using L = QLatin1StringView;

template <typename V, RecordOf<PairingStatePayload> R> void describe(V& v, R& r) {
    v.required(L("status"), r.status);
    v.optional(L("pairingId"), r.pairingId);
    v.optional(L("code"), r.code);
    v.optional(L("expiresAt"), r.expiresAt);
    v.optional(L("accessTokenExpiresAt"), r.accessTokenExpiresAt);
    v.optional(L("refreshTokenExpiresAt"), r.refreshTokenExpiresAt);
}

template <typename V, RecordOf<IdentityConfig> R> void describe(V& v, R& r) {
    v.optional(L("companionId"), r.companionId);
    v.optional(L("trustOwnerId"), r.trustOwnerId);
    v.required(L("displayName"), r.displayName);
    v.required(L("platform"), r.platform);
    v.required(L("agentVersion"), r.agentVersion);
    v.required(L("pairing"), r.pairing);
}

template <typename V, RecordOf<BackendConfig> R> void describe(V& v, R& r) {
    v.required(L("apiBaseUrl"), r.apiBaseUrl);
    v.required(L("presenceUrl"), r.presenceUrl);
    v.required(L("jwksUrl"), r.jwksUrl);
    v.required(L("jwtIssuer"), r.jwtIssuer);
    v.required(L("jwtAudience"), r.jwtAudience);
    v.required(L("stunServers"), r.stunServers);
    v.required(L("relayPayloadCapBytes"), r.relayPayloadCapBytes);
    v.required(L("relayStatsRateCapBps"), r.relayStatsRateCapBps);
}

template <typename V, RecordOf<AdminConfig> R> void describe(V& v, R& r) {
    v.required(L("enabled"), r.enabled);
    v.required(L("listenAddress"), r.listenAddress);
    v.defaulted(L("allowedOrigins"), r.allowedOrigins);
}

template <typename V, RecordOf<DiagnosticsConfig> R> void describe(V& v, R& r) {
    v.required(L("logLevel"), r.logLevel);
    v.required(L("logFormat"), r.logFormat);
    v.required(L("keepDiagEvents"), r.keepDiagEvents);
}

template <typename V, RecordOf<ClientConfig> R> void describe(V& v, R& r) {
    v.required(L("id"), r.id);
    v.required(L("label"), r.label);
    v.required(L("type"), r.type);
    v.required(L("hostKind"), r.hostKind);
    v.required(L("host"), r.host);
    v.required(L("port"), r.port);
    v.optional(L("username"), r.username);
    v.optional(L("password"), r.password);
    v.optional(L("apiKey"), r.apiKey);
    v.required(L("useTls"), r.useTls);
    v.required(L("insecureSkipVerify"), r.insecureSkipVerify);
    v.optional(L("caCertPem"), r.caCertPem);
    v.defaulted(L("authState"), r.authState);
    v.defaulted(L("capabilities"), r.capabilities);
    v.optional(L("lastOkAt"), r.lastOkAt);
    v.optional(L("lastError"), r.lastError);
}

template <typename V, RecordOf<LocalNetworkCandidate> R> void describe(V& v, R& r) {
    v.required(L("host"), r.host);
    v.required(L("port"), r.port);
    v.required(L("family"), r.family);
}

template <typename V, RecordOf<LocalNetworkInterface> R> void describe(V& v, R& r) {
    v.required(L("name"), r.name);
    v.required(L("host"), r.host);
    v.required(L("cidr"), r.cidr);
    v.required(L("family"), r.family);
}

template <typename V, RecordOf<LocalNetworkSnapshot> R> void describe(V& v, R& r) {
    v.defaulted(L("listenPort"), r.listenPort);
    v.optional(L("lanNonce"), r.lanNonce);
    v.optional(L("lastError"), r.lastError);
    v.defaulted(L("candidates"), r.candidates);
    v.defaulted(L("interfaces"), r.interfaces);
    v.optional(L("lastRefreshedAt"), r.lastRefreshedAt);
}

template <typename V, RecordOf<BackendStatus> R> void describe(V& v, R& r) {
    v.required(L("pairingStatus"), r.pairingStatus);
    v.required(L("presenceState"), r.presenceState);
    v.optional(L("presenceSessionId"), r.presenceSessionId);
    v.optional(L("heartbeatIntervalS"), r.heartbeatIntervalS);
    v.optional(L("lastConnectAt"), r.lastConnectAt);
    v.optional(L("lastDisconnectAt"), r.lastDisconnectAt);
    v.optional(L("lastRefreshAt"), r.lastRefreshAt);
    v.optional(L("lastFrameAt"), r.lastFrameAt);
    v.optional(L("lastDisconnectReason"), r.lastDisconnectReason);
    v.optional(L("lastError"), r.lastError);
    v.required(L("reconnectAttempts"), r.reconnectAttempts);
}

template <typename V, RecordOf<RuntimeSnapshot> R> void describe(V& v, R& r) {
    v.required(L("state"), r.state);
    v.required(L("dbPath"), r.dbPath);
    v.required(L("schemaVersion"), r.schemaVersion);
    v.required(L("defaultConfigCreated"), r.defaultConfigCreated);
    v.optional(L("startedAt"), r.startedAt);
    v.optional(L("stoppedAt"), r.stoppedAt);
    v.optional(L("lastError"), r.lastError);
    v.optional(L("adminAddress"), r.adminAddress);
    v.required(L("identity"), r.identity);
    v.required(L("backend"), r.backend);
    v.required(L("admin"), r.admin);
    v.required(L("diagnostics"), r.diagnostics);
    v.defaulted(L("clients"), r.clients);
    v.defaulted(L("registeredAdapters"), r.registeredAdapters);
    v.defaulted(L("localNetwork"), r.localNetwork);
    v.required(L("backendStatus"), r.backendStatus);
}

template <typename V, RecordOf<DiagnosticEvent> R> void describe(V& v, R& r) {
    v.eventId(L("id"), r.id);
    v.required(L("level"), r.level);
    v.required(L("code"), r.code);
    v.required(L("message"), r.message);
    v.required(L("occurredAt"), r.occurredAt);
    v.optional(L("details"), r.details);
}

template <typename V, RecordOf<ConnectionHealth> R> void describe(V& v, R& r) {
    v.required(L("mode"), r.mode);
    v.required(L("presenceState"), r.presenceState);
    v.optional(L("presenceSessionId"), r.presenceSessionId);
    v.required(L("localListenerReady"), r.localListenerReady);
    v.required(L("localCandidateCount"), r.localCandidateCount);
    v.optional(L("localLastError"), r.localLastError);
    v.optional(L("backendLastError"), r.backendLastError);
    v.optional(L("lastConnectAt"), r.lastConnectAt);
    v.optional(L("lastDisconnectAt"), r.lastDisconnectAt);
}

template <typename V, RecordOf<PairingHealth> R> void describe(V& v, R& r) {
    v.required(L("status"), r.status);
    v.optional(L("companionId"), r.companionId);
    v.required(L("trustOwnerKnown"), r.trustOwnerKnown);
}

template <typename V, RecordOf<ClientHealth> R> void describe(V& v, R& r) {
    v.required(L("id"), r.id);
    v.required(L("label"), r.label);
    v.required(L("type"), r.type);
    v.required(L("authState"), r.authState);
    v.optional(L("lastOkAt"), r.lastOkAt);
    v.optional(L("lastError"), r.lastError);
}

template <typename V, RecordOf<ClientHealthRollup> R> void describe(V& v, R& r) {
    v.defaulted(L("total"), r.total);
    v.defaulted(L("healthy"), r.healthy);
    v.defaulted(L("degraded"), r.degraded);
    v.defaulted(L("unknown"), r.unknown);
    v.defaulted(L("clients"), r.clients);
}

template <typename V, RecordOf<HealthSummary> R> void describe(V& v, R& r) {
    v.required(L("status"), r.status);
    v.required(L("checkedAt"), r.checkedAt);
    v.required(L("connection"), r.connection);
    v.required(L("pairing"), r.pairing);
    v.required(L("clients"), r.clients);
    v.defaulted(L("recentErrors"), r.recentErrors);
}

template <typename V, RecordOf<PairingLinkPayload> R> void describe(V& v, R& r) {
    v.required(L("code"), r.code);
    v.required(L("webUrl"), r.webUrl);
    v.required(L("appUrl"), r.appUrl);
    v.required(L("source"), r.source);
    v.required(L("qrImageUrl"), r.qrImageUrl);
}

template <typename V, RecordOf<HealthcheckPayload> R> void describe(V& v, R& r) {
    v.required(L("ok"), r.ok);
    v.required(L("ts"), r.ts);
}

template <typename V, RecordOf<RuntimeVersionIdentity> R> void describe(V& v, R& r) {
    v.required(L("agentVersion"), r.agentVersion);
}

template <typename V, RecordOf<RuntimeVersionPayload> R> void describe(V& v, R& r) {
    v.required(L("identity"), r.identity);
}

template <typename V, RecordOf<OKPayload> R> void describe(V& v, R& r) {
    v.required(L("ok"), r.ok);
}

template <typename V, RecordOf<DeletedPayload> R> void describe(V& v, R& r) {
    v.required(L("deleted"), r.deleted);
}

template <typename V, RecordOf<BeginPairingBody> R> void describe(V& v, R& r) {
    v.optional(L("displayName"), r.displayName);
}

template <typename V, RecordOf<ResetPairingBody> R> void describe(V& v, R& r) {
    v.required(L("reason"), r.reason);
}

template <typename V, RecordOf<DeleteClientBody> R> void describe(V& v, R& r) {
    v.required(L("clientID"), r.clientID);
}

template <typename V, RecordOf<ProbeClientsBody> R> void describe(V& v, R& r) {
    v.optional(L("clientID"), r.clientID);
}

template <typename V, RecordOf<UpdateDisplayNameBody> R> void describe(V& v, R& r) {
    v.required(L("name"), r.name);
}

} // namespace WireCoding::detail
