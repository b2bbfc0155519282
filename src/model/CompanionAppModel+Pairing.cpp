#include "common/LogCategories.h"
#include "common/UserFacingError.h"
#include "model/CompanionAppModel.h"
#include "model/PairingQRCodeRenderer.h"
#include "system/PlatformServices.h"

namespace {

std::optional<QString> trimmedCode(const PairingStatePayload& pairing) {
    const QString code = pairing.code.value_or(QString()).trimmed();
    return code.isEmpty() ? std::nullopt : std::optional(code);
}

} // namespace

bool CompanionAppModel::isPaired() const {
    return m_runtime && m_runtime->identity.pairing.status == PairingStatus::Paired;
}

bool CompanionAppModel::isPairingPending() const {
    return m_runtime && m_runtime->identity.pairing.status == PairingStatus::Pending;
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
        co_await m_api.beginPairing(std::move(name));
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
        co_await m_api.resetPairing(QStringLiteral("macos_app_cancel_pairing"));
        if (isGone(self)) {
            co_return;
        }
        co_await refresh(true);
    });
}

QCoro::Task<> CompanionAppModel::resetPairing() {
    return performBusyAction(tr("Could not unpair this companion."), [this]() -> QCoro::Task<> {
        const QPointer<CompanionAppModel> self(this);
        co_await m_api.resetPairing(QStringLiteral("macos_app_reset"));
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

QCoro::Task<> CompanionAppModel::refreshPairingArtifactsIfNeeded(PairingStatePayload pairing) {
    const QPointer<CompanionAppModel> self(this);
    if (pairing.status != PairingStatus::Pending || !pairing.code) {
        clearPairingArtifacts();
        m_lastPairingCode.clear();
        co_return;
    }
    const QString code = *pairing.code;
    if (code == m_lastPairingCode) {
        co_return;
    }

    std::optional<PairingLinkPayload> link;
    try {
        link = co_await m_api.pairingLink(code);
    } catch (const std::exception& error) {
        // Not shown: lastPairingCode stays, so the next refresh asks again.
        qCInfo(lcModel).noquote() << "Pairing link not read:" << describeError(error);
    }
    if (isGone(self)) {
        co_return;
    }
    if (!link) {
        clearPairingArtifacts();
        co_return;
    }
    const QString webUrl = link->webUrl;
    setPairingLink(std::move(link));
    setPairingQRCode(PairingQRCodeRenderer::image(webUrl, pairingQRCodeDimension));
    m_lastPairingCode = code;
}

void CompanionAppModel::clearPairingArtifacts() {
    setPairingLink(std::nullopt);
    if (m_pairingQRCode) {
        setPairingQRCode(std::nullopt);
    }
}

void CompanionAppModel::syncPairingOverlayPresentation(const PairingStatePayload& pairing) {
    const std::optional<QString> code = trimmedCode(pairing);
    if (pairing.status != PairingStatus::Pending || !code) {
        setPairingOverlayPresented(false);
        m_lastPresentedPairingCode.clear();
        return;
    }
    // During the guided setup its own pairing step shows the code.
    if (!m_hasCompletedGuidedExperience) {
        setPairingOverlayPresented(false);
        return;
    }
    // Once per code: a popup the user closed stays closed.
    if (*code == m_lastPresentedPairingCode) {
        return;
    }
    m_lastPresentedPairingCode = *code;
    setPairingOverlayPresented(true);
}

void CompanionAppModel::presentPairingOverlay() {
    if (!isPairingPending()) {
        return;
    }
    if (const auto& code = m_runtime->identity.pairing.code) {
        m_lastPresentedPairingCode = *code;
    }
    setPairingOverlayPresented(true);
}

void CompanionAppModel::copyPairingCode() {
    if (!m_runtime || !m_runtime->identity.pairing.code) {
        return;
    }
    m_platform.copyText(*m_runtime->identity.pairing.code);
    setNoticeMessage(tr("Pairing code copied."));
}

void CompanionAppModel::copyPairingLink() {
    if (!m_pairingLink) {
        return;
    }
    m_platform.copyText(m_pairingLink->webUrl);
    setNoticeMessage(tr("Pairing link copied."));
}

void CompanionAppModel::openPairingLink() {
    if (!m_pairingLink) {
        return;
    }
    // The link comes from another process: only web addresses go to the desktop,
    // never file: or a custom scheme's handler.
    const QUrl url(m_pairingLink->webUrl, QUrl::StrictMode);
    const bool isWebAddress = url.scheme() == u"http" || url.scheme() == u"https";
    if (url.isValid() && isWebAddress && !url.host().isEmpty()) {
        m_platform.openUrl(url);
    }
}
