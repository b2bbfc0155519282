#pragma once

#include "runtime/SmallPayloads.h"

#include <QCoro/QCoroTask>
#include <QImage>
#include <QObject>
#include <QString>

#include <optional>

class CompanionAPI;
struct PairingStatePayload;

// What a pending pairing shows besides its code: the link, its QR code, and
// whether the pairing popup is up.
class PairingArtifacts : public QObject {
    Q_OBJECT
public:
    static constexpr int qrCodeDimension = 220;

    explicit PairingArtifacts(CompanionAPI& api);

    const std::optional<PairingLinkPayload>& link() const noexcept { return m_link; }
    const std::optional<QImage>& qrCode() const noexcept { return m_qrCode; }
    bool isOverlayPresented() const noexcept { return m_isOverlayPresented; }
    void setOverlayPresented(bool presented);

    // Reads the link of a new pending code and draws its QR code; clears both
    // once nothing is pending. A failed read is retried at the next refresh.
    QCoro::Task<> refresh(PairingStatePayload pairing);
    // Shows the popup once per code, never during the guided setup (its own
    // step shows the code); a popup the user closed stays closed.
    void syncOverlay(const PairingStatePayload& pairing, bool guidedExperienceCompleted);
    // The user asked for the popup of the pending code.
    void presentOverlay(const std::optional<QString>& code);

Q_SIGNALS:
    // The link and the QR code on every assignment, the popup on a change.
    void linkChanged();
    void qrCodeChanged();
    void overlayPresentedChanged();

private:
    void setLink(std::optional<PairingLinkPayload> link);
    void setQRCode(std::optional<QImage> image);
    void clear();

    CompanionAPI& m_api;
    std::optional<PairingLinkPayload> m_link;
    std::optional<QImage> m_qrCode;
    bool m_isOverlayPresented = false;
    QString m_lastCode;
    QString m_lastPresentedCode;
};
