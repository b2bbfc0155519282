#include "ui/dashboard/CompanionBootstrapView.h"

#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionSpinner.h"

#include <QVBoxLayout>

CompanionBootstrapView::CompanionBootstrapView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("bootstrapView"));
    auto* title = new CompanionLabel(tr("Starting Vendrilo Connect"), CompanionTextStyle::Title3);
    title->setWeight(QFont::DemiBold);
    title->setAlignment(Qt::AlignHCenter);
    auto* message =
        new CompanionLabel(tr("Preparing the bundled companion runtime."), CompanionTextStyle::Callout);
    message->setTone(CompanionLabel::Tone::Secondary);
    message->setAlignment(Qt::AlignHCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 32, 32, 32);
    layout->setSpacing(8);
    layout->addStretch();
    layout->addWidget(new CompanionSpinner(20), 0, Qt::AlignHCenter);
    layout->addSpacing(4);
    layout->addWidget(title);
    layout->addWidget(message);
    layout->addStretch();
    setAccessibleName(tr("Starting Vendrilo Connect"));
}
