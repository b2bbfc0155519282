#pragma once

#include "runtime/BackendConfig.h"
#include "runtime/SmallPayloads.h"

#include <QString>

// Addresses on the maker's site, built from its configurable scheme and host.
namespace MakerSite {

BackendConfig backendConfig(const QString& webHost);
// Why the hosted relay is not connected: this runtime has no relay client.
QString relayUnavailableReason();
PairingLinkPayload pairingLink(const QString& webHost, const QString& code);

} // namespace MakerSite
