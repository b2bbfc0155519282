#pragma once

#include "ui/components/CompanionSurfaceCard.h"

class CompanionAppModel;
class CompanionLabel;
class CompanionStatusPill;
class QPushButton;

// "Pairing": the state, its description and detail, and the actions of that
// state: Unpair when paired; the popup, the phone link and Cancel while
// pending; Start Pairing otherwise.
class DashboardPairingCard : public CompanionSurfaceCard {
    Q_OBJECT
public:
    explicit DashboardPairingCard(CompanionAppModel& model, QWidget* parent = nullptr);

    void refresh();

private:
    CompanionAppModel& m_model;
    CompanionStatusPill* m_status;
    CompanionLabel* m_description;
    CompanionLabel* m_detail;
    CompanionLabel* m_pendingNote;
    QPushButton* m_unpair;
    QPushButton* m_openPopup;
    QPushButton* m_openOnPhone;
    QPushButton* m_cancel;
    QPushButton* m_start;
};
