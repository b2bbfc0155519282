#include "ui/onboarding/CompanionClientRow.h"

#include "ui/components/ClientPresentation.h"
#include "ui/components/CompanionInsetSurfaceModifier.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionStatusPill.h"
#include "ui/components/CompanionSymbolIcon.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int typeSquare = 36;
}

CompanionClientRow::CompanionClientRow(QWidget* parent)
    : QWidget(parent), m_type(new CompanionSymbolIcon({}, 20)),
      m_label(new CompanionLabel(CompanionTextStyle::Headline)),
      m_address(new CompanionLabel(CompanionTextStyle::Callout)),
      m_error(new CompanionLabel(CompanionTextStyle::Caption)), m_status(new CompanionStatusPill) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 8, 0, 8);
    layout->setSpacing(12);
    auto* square = new QWidget(this);
    square->setFixedSize(typeSquare, typeSquare);
    CompanionInsetSurfaceModifier::apply(square, 9);
    auto* squareLayout = new QVBoxLayout(square);
    squareLayout->setContentsMargins(0, 0, 0, 0);
    squareLayout->addWidget(m_type, 0, Qt::AlignCenter);
    layout->addWidget(square, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(m_label);
    m_address->setTone(CompanionLabel::Tone::Secondary);
    texts->addWidget(m_address);
    m_error->setTint(StatusTint::Orange);
    texts->addWidget(m_error);
    auto* pillRow = new QHBoxLayout;
    pillRow->addWidget(m_status);
    pillRow->addStretch();
    texts->addLayout(pillRow);
    layout->addLayout(texts, 1);

    auto* edit = new QPushButton(tr("Edit"), this);
    auto* test = new QPushButton(tr("Test"), this);
    auto* remove = new QPushButton(tr("Remove"), this);
    for (QPushButton* button : {edit, test, remove}) {
        layout->addWidget(button, 0, Qt::AlignVCenter);
    }
    connect(edit, &QPushButton::clicked, this, [this] { Q_EMIT editRequested(m_client); });
    connect(test, &QPushButton::clicked, this, [this] { Q_EMIT testRequested(m_client); });
    connect(remove, &QPushButton::clicked, this, [this] { Q_EMIT removeRequested(m_client); });
}

void CompanionClientRow::setClient(const ClientConfig& client) {
    m_client = client;
    m_type->setSymbol(ClientPresentation::typeSymbol(client.type));
    m_label->setTextIfChanged(client.label);
    m_address->setTextIfChanged(ClientPresentation::addressLine(client));
    const QString error = client.lastError.value_or(QString());
    m_error->setTextIfChanged(error);
    m_error->setVisible(!error.isEmpty());
    m_status->setTitle(ClientPresentation::statusLabel(client));
    m_status->setTint(ClientPresentation::statusTint(client));
    // The buttons read the same in every row: the client's name tells them apart.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAccessibleDescription(client.label);
    }
    setAccessibleName(client.label);
}
