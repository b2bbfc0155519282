#include "ui/pairing/PairingInstructionList.h"

#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionTextStyle.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// The step number in an accent-filled circle.
class StepNumber : public QWidget {
public:
    explicit StepNumber(int number) : m_number(number) {
        setFixedSize(20, 20);
        setFont(CompanionText::font(CompanionTextStyle::Caption, QApplication::font()));
        QFont f = font();
        f.setWeight(QFont::Bold);
        setFont(f);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(QPalette::Highlight));
        painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
        painter.setPen(palette().color(QPalette::HighlightedText));
        painter.drawText(rect(), Qt::AlignCenter, QString::number(m_number));
    }

private:
    int m_number;
};

} // namespace

QStringList PairingInstructionList::instructions() {
    return {tr("Open Vendrilo Connect on Android."), tr("Scan the QR code or enter the code manually."),
            tr("Approve this Mac to finish pairing.")};
}

PairingInstructionList::PairingInstructionList(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    const QStringList lines = instructions();
    for (int i = 0; i < lines.size(); ++i) {
        auto* row = new QHBoxLayout;
        row->setSpacing(10);
        row->addWidget(new StepNumber(i + 1), 0, Qt::AlignTop);
        row->addWidget(new CompanionLabel(lines.at(i), CompanionTextStyle::Callout), 1);
        layout->addLayout(row);
    }
}
