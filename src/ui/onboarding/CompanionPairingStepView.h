#pragma once

#include <QWidget>

class CompanionAppModel;
class CompanionLabel;
class CompanionStepFooter;
class QLabel;
class QPushButton;

// Step 2: start pairing, show the code and QR image while the phone has to
// approve, and confirm once the runtime reports the pairing.
class CompanionPairingStepView : public QWidget {
    Q_OBJECT
public:
    explicit CompanionPairingStepView(CompanionAppModel& model, QWidget* parent = nullptr);

    CompanionStepFooter* footer() const noexcept { return m_footer; }

private:
    QWidget* makePairedBody();
    QWidget* makePendingBody();
    QWidget* makeUnpairedBody();
    void showBody(QWidget* body);
    void render();
    void primary();
    void secondary();

    CompanionAppModel& m_model;
    QWidget* m_paired;
    QWidget* m_pending;
    QWidget* m_unpaired;
    CompanionLabel* m_code;
    CompanionLabel* m_expiry;
    QPushButton* m_openOnPhone;
    QLabel* m_qrCode;
    CompanionStepFooter* m_footer;
};
