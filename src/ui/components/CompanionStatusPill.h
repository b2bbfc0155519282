#pragma once

#include "model/StatusTint.h"

#include <QWidget>

// A capsule filled with the status colour at 12 % opacity, holding a small dot
// in that colour and the title in caption semibold type. A title too long for
// the space is elided; the whole title stays the accessible name.
class CompanionStatusPill : public QWidget {
    Q_OBJECT
public:
    CompanionStatusPill(const QString& title = {}, StatusTint tint = StatusTint::Secondary,
                        QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString title() const { return m_title; }
    void setTint(StatusTint tint);
    StatusTint tint() const { return m_tint; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    StatusTint m_tint;
};
