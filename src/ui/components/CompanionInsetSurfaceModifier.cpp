#include "ui/components/CompanionInsetSurfaceModifier.h"

#include "ui/components/CompanionPalette.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

void CompanionInsetSurfaceModifier::apply(QWidget* widget, qreal cornerRadius) {
    widget->installEventFilter(new CompanionInsetSurfaceModifier(widget, cornerRadius));
}

CompanionInsetSurfaceModifier::CompanionInsetSurfaceModifier(QWidget* widget, qreal cornerRadius)
    : QObject(widget), m_cornerRadius(cornerRadius) {}

bool CompanionInsetSurfaceModifier::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        // Painting here is allowed: the widget is being painted, and its own
        // paint event runs right after on top of this fill.
        auto* widget = static_cast<QWidget*>(watched);
        QPainter painter(widget);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(widget->rect()).adjusted(0.5, 0.5, -0.5, -0.5), m_cornerRadius,
                            m_cornerRadius);
        painter.fillPath(path, CompanionPalette::inset(widget->palette()));
        painter.setPen(QPen(CompanionPalette::border(widget->palette()), 1));
        painter.drawPath(path);
    }
    return QObject::eventFilter(watched, event);
}
