#pragma once

#include <QObject>

class QWidget;

// Styles a widget as an inset panel: filled with the inset colour and outlined
// with the border, rounded by the given radius. It paints beneath the widget's
// own content and lives as long as the widget.
class CompanionInsetSurfaceModifier : public QObject {
    Q_OBJECT
public:
    static void apply(QWidget* widget, qreal cornerRadius);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CompanionInsetSurfaceModifier(QWidget* widget, qreal cornerRadius);

    qreal m_cornerRadius;
};
