#pragma once

#include <QVariantAnimation>
#include <QWidget>

// A small indeterminate spinner; it turns only while it is visible.
class CompanionSpinner : public QWidget {
    Q_OBJECT
public:
    explicit CompanionSpinner(int size = 16, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {m_size, m_size}; }
    bool isSpinning() const { return m_rotation.state() == QAbstractAnimation::Running; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int m_size;
    QVariantAnimation m_rotation;
};
