#pragma once

#include <QWidget>

class CompanionAppModel;
class CompanionLabel;
class PairingQRCodeView;
class QDateTime;
class QLabel;
class QPushButton;

// The popup's page while a pairing waits for approval: the countdown, the QR
// code, the manual code with the steps, and the actions on the code and link.
class PairingPendingPage : public QWidget {
    Q_OBJECT
public:
    explicit PairingPendingPage(CompanionAppModel& model, QWidget* parent = nullptr);

    // The code, its QR code and the link actions as the model has them.
    void refresh();
    // The time left and the expiry line at this moment.
    void refreshCountdown(const QDateTime& now);
    // What Return presses while pairing is pending.
    QPushButton* openOnPhoneButton() const { return m_openOnPhone; }

private:
    CompanionAppModel& m_model;
    // Whether the countdown shows a time (or still waits for an expiry).
    bool m_countdownRunning = true;
    CompanionLabel* m_countdown;
    CompanionLabel* m_expiry;
    PairingQRCodeView* m_qrCode;
    QWidget* m_manualCode;
    QLabel* m_codeLabel;
    QPushButton* m_copyCode;
    QPushButton* m_openOnPhone;
    QPushButton* m_copyLink;
    QPushButton* m_cancelPairing;
};
