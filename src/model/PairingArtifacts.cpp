#include "model/PairingArtifacts.h"

#include "common/LogCategories.h"
#include "common/UserFacingError.h"
#include "model/PairingQRCodeRenderer.h"
#include "runtime/CompanionAPI.h"
#include "runtime/IdentityConfig.h"

#include <QPointer>

namespace {

std::optional<QString> trimmedCode(const PairingStatePayload& pairing) {
    const QString code = pairing.code.value_or(QString()).trimmed();
    return code.isEmpty() ? std::nullopt : std::optional(code);
}

} // namespace

PairingArtifacts::PairingArtifacts(CompanionAPI& api) : m_api(api) {}

void PairingArtifacts::setLink(std::optional<PairingLinkPayload> link) {
    m_link = std::move(link);
    Q_EMIT linkChanged();
}

void PairingArtifacts::setQRCode(std::optional<QImage> image) {
    m_qrCode = std::move(image);
    Q_EMIT qrCodeChanged();
}

void PairingArtifacts::setOverlayPresented(bool presented) {
    if (m_isOverlayPresented != presented) {
        m_isOverlayPresented = presented;
        Q_EMIT overlayPresentedChanged();
    }
}

void PairingArtifacts::clear() {
    setLink(std::nullopt);
    if (m_qrCode) {
        setQRCode(std::nullopt);
    }
}

QCoro::Task<> PairingArtifacts::refresh(PairingStatePayload pairing) {
    const QPointer<PairingArtifacts> self(this);
    if (pairing.status != PairingStatus::Pending || !pairing.code) {
        clear();
        m_lastCode.clear();
        co_return;
    }
    const QString code = *pairing.code;
    if (code == m_lastCode) {
        co_return;
    }

    std::optional<PairingLinkPayload> link;
    try {
        link = co_await m_api.pairingLink(code);
    } catch (const std::exception& error) {
        // Not shown: lastCode stays, so the next refresh asks again.
        qCInfo(lcModel).noquote() << "Pairing link not read:" << describeError(error);
    }
    if (!self) {
        co_return;
    }
    if (!link) {
        clear();
        co_return;
    }
    const QString webUrl = link->webUrl;
    setLink(std::move(link));
    setQRCode(PairingQRCodeRenderer::image(webUrl, qrCodeDimension));
    m_lastCode = code;
}

void PairingArtifacts::syncOverlay(const PairingStatePayload& pairing, bool guidedExperienceCompleted) {
    const std::optional<QString> code = trimmedCode(pairing);
    if (pairing.status != PairingStatus::Pending || !code) {
        setOverlayPresented(false);
        m_lastPresentedCode.clear();
        return;
    }
    if (!guidedExperienceCompleted) {
        setOverlayPresented(false);
        return;
    }
    if (*code == m_lastPresentedCode) {
        return;
    }
    m_lastPresentedCode = *code;
    setOverlayPresented(true);
}

void PairingArtifacts::presentOverlay(const std::optional<QString>& code) {
    if (code) {
        m_lastPresentedCode = *code;
    }
    setOverlayPresented(true);
}
