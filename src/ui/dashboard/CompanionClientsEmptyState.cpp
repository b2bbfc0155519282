#include "ui/dashboard/CompanionClientsEmptyState.h"

#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionSymbolIcon.h"

#include <QVBoxLayout>

CompanionClientsEmptyState::CompanionClientsEmptyState(QWidget* parent) : QWidget(parent) {
    auto* symbol = new CompanionSymbolIcon(QStringLiteral("externaldrive.badge.plus"), 30);
    symbol->setSecondary(true);
    auto* title = new CompanionLabel(tr("No clients added yet"), CompanionTextStyle::Headline);
    title->setAlignment(Qt::AlignHCenter);
    auto* message = new CompanionLabel(tr("Add the torrent clients that live next to this Mac so Vendrilo "
                                          "can browse and control them remotely."),
                                       CompanionTextStyle::Callout);
    message->setTone(CompanionLabel::Tone::Secondary);
    message->setAlignment(Qt::AlignHCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 18, 12, 18);
    layout->setSpacing(6);
    layout->addWidget(symbol, 0, Qt::AlignHCenter);
    layout->addSpacing(4);
    layout->addWidget(title);
    layout->addWidget(message);
    setAccessibleName(tr("No clients added yet"));
}
