#include "model/CompanionAppModel.h"
#include "model/ModelServices.h"
#include "model/PairingArtifacts.h"
#include "model/RuntimeReadings.h"
#include "model/StatusPresentation.h"
#include "system/PlatformServices.h"

bool CompanionAppModel::isPaired() const {
    return StatusPresentation::isPaired(runtime());
}

bool CompanionAppModel::isPairingPending() const {
    return StatusPresentation::isPairingPending(runtime());
}

QCoro::Task<> CompanionAppModel::beginPairing() {
    return performBusyAction(tr("Could not start pairing."), [this]() -> QCoro::Task<> {
        const QPointer<CompanionAppModel> self(this);
        const QString trimmedName = m_displayNameDraft.trimmed();
        // Named, not a temporary: GCC 12 destroys a conditional's temporary twice across co_await.
        std::optional<QString> name;
        if (!trimmedName.isEmpty()) {
            name = trimmedName;
        }
        co_await m_services->api.beginPairing(std::move(name));
        if (isGone(self)) {
            co_return;
        }
        co_await refresh(true);
        if (isGone(self)) {
            co_return;
        }
        setSelectedSection(DashboardSection::Pairing);
        setNoticeMessage(
            tr("Scan the QR code in Vendrilo on Android or open the pairing link from your phone."));
    });
}

QCoro::Task<> CompanionAppModel::cancelPairing() {
    return performBusyAction(tr("Could not cancel pairing."), [this]() -> QCoro::Task<> {
        const QPointer<CompanionAppModel> self(this);
        co_await m_services->api.resetPairing(QStringLiteral("macos_app_cancel_pairing"));
        if (isGone(self)) {
            co_return;
        }
        co_await refresh(true);
    });
}

QCoro::Task<> CompanionAppModel::resetPairing() {
    return performBusyAction(tr("Could not unpair this companion."), [this]() -> QCoro::Task<> {
        const QPointer<CompanionAppModel> self(this);
        co_await m_services->api.resetPairing(QStringLiteral("macos_app_reset"));
        if (isGone(self)) {
            co_return;
        }
        co_await refresh(true);
        if (isGone(self)) {
            co_return;
        }
        setSelectedSection(DashboardSection::Pairing);
        setNoticeMessage(
            tr("The companion was unpaired. Pair again from Vendrilo on Android when you are ready."));
    });
}

void CompanionAppModel::presentPairingOverlay() {
    if (!isPairingPending()) {
        return;
    }
    m_pairing->presentOverlay(runtime()->identity.pairing.code);
}

void CompanionAppModel::copyPairingCode() {
    if (!runtime() || !runtime()->identity.pairing.code) {
        return;
    }
    m_platform.copyText(*runtime()->identity.pairing.code);
    setNoticeMessage(tr("Pairing code copied."));
}

void CompanionAppModel::copyPairingLink() {
    if (!pairingLink()) {
        return;
    }
    m_platform.copyText(pairingLink()->webUrl);
    setNoticeMessage(tr("Pairing link copied."));
}

void CompanionAppModel::openPairingLink() {
    if (!pairingLink()) {
        return;
    }
    // The link comes from another process: only web addresses go to the desktop,
    // never file: or a custom scheme's handler.
    const QUrl url(pairingLink()->webUrl, QUrl::StrictMode);
    const bool isWebAddress = url.scheme() == u"http" || url.scheme() == u"https";
    if (url.isValid() && isWebAddress && !url.host().isEmpty()) {
        m_platform.openUrl(url);
    }
}
