#pragma once

#include <QWidget>

class QVBoxLayout;

// A rounded card filled with the card colour and outlined with the border (or
// the emphasis border). Its content goes into contentLayout().
class CompanionSurfaceCard : public QWidget {
    Q_OBJECT
public:
    static constexpr int cornerRadius = 14;
    static constexpr int padding = 18;

    explicit CompanionSurfaceCard(QWidget* parent = nullptr);
    CompanionSurfaceCard(bool emphasized, QWidget* parent = nullptr);

    void setEmphasized(bool emphasized);
    bool isEmphasized() const { return m_emphasized; }
    QVBoxLayout* contentLayout() const { return m_layout; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* m_layout;
    bool m_emphasized = false;
};
