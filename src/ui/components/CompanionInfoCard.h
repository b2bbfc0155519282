#pragma once

#include "model/StatusTint.h"
#include "ui/components/CompanionSurfaceCard.h"

#include <optional>

class CompanionLabel;
class CompanionStatusPill;
class CompanionSymbolIcon;

// A surface card with a symbol, a title, a status pill, a summary and an
// optional detail line. Every part can be updated in place.
class CompanionInfoCard : public CompanionSurfaceCard {
    Q_OBJECT
public:
    CompanionInfoCard(const QString& icon, const QString& title, QWidget* parent = nullptr);

    void setBadge(const QString& title, StatusTint tint);
    void setSummary(const QString& summary);
    void setDetail(const std::optional<QString>& detail);

    QString title() const;
    CompanionStatusPill* badge() const { return m_badge; }
    CompanionLabel* summaryLabel() const { return m_summary; }
    CompanionLabel* detailLabel() const { return m_detail; }

private:
    CompanionSymbolIcon* m_icon;
    CompanionLabel* m_title;
    CompanionStatusPill* m_badge;
    CompanionLabel* m_summary;
    CompanionLabel* m_detail;
};
