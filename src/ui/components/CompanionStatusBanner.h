#pragma once

#include "model/StatusTint.h"

#include <QWidget>

class CompanionLabel;
class CompanionSymbolIcon;
class QToolButton;

// A message strip: a symbol, the title and the message in the tint colour, and
// a dismiss button (named "Dismiss" for screen readers) that emits dismissed().
class CompanionStatusBanner : public QWidget {
    Q_OBJECT
public:
    explicit CompanionStatusBanner(QWidget* parent = nullptr);

    void setContent(const QString& symbol, const QString& title, const QString& message, StatusTint tint);

    QString title() const;
    QString message() const;
    StatusTint tint() const { return m_tint; }
    QToolButton* dismissButton() const { return m_dismiss; }

Q_SIGNALS:
    void dismissed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateDismissIcon();

    CompanionSymbolIcon* m_symbol;
    CompanionLabel* m_title;
    CompanionLabel* m_message;
    QToolButton* m_dismiss;
    StatusTint m_tint = StatusTint::Blue;
};
