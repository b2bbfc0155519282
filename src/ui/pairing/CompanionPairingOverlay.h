#pragma once

#include <QDateTime>
#include <QPointer>
#include <QPropertyAnimation>
#include <QTimer>
#include <QWidget>

#include <functional>

class CompanionAppModel;
class CompanionAppIconBadge;
class CompanionLabel;
class CompanionStatusPill;
class CompanionSurfaceCard;
class CompanionSymbolIcon;
class PairingPendingPage;
class QGraphicsOpacityEffect;
class QPushButton;
class QScrollArea;
class QToolButton;

// The pairing popup laid over a window: a dimmed backdrop and a card with the
// QR code, the manual code, the expiry countdown, the steps and the actions.
// It covers its parent and follows its size. Every way of closing it (Close,
// Escape, a click on the backdrop, Done) only clears the model's
// isPairingOverlayPresented; pairing goes on.
class CompanionPairingOverlay : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal presentation READ presentation WRITE setPresentation)
public:
    static constexpr int defaultAnimationMilliseconds = 340;

    CompanionPairingOverlay(CompanionAppModel& model, QWidget* parent);

    // Fades and scales in (from 98 %) or out; hidden once out.
    void setPresented(bool presented);
    bool isPresented() const { return m_presented; }
    // 0 hidden, 1 fully shown.
    qreal presentation() const { return m_presentation; }
    void setPresentation(qreal value);
    void setAnimationDuration(int milliseconds);

    // The countdown's time source; tests fix it.
    void setClock(std::function<QDateTime()> clock);
    // The countdown runs only while the popup is on screen.
    bool isTicking() const { return m_tick.isActive(); }

Q_SIGNALS:
    // Every step of the fade, for the window's blur.
    void presentationChanged(qreal presentation);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void buildHeader();
    QWidget* buildFinishedPage();
    void refresh();
    void refreshCountdown();
    void layOutCard();
    void close();
    void pressProminentButton();
    void focusFirstControl();

    CompanionAppModel& m_model;
    std::function<QDateTime()> m_clock;
    QTimer m_tick;
    QPropertyAnimation m_animation;
    QGraphicsOpacityEffect* m_fade = nullptr;
    bool m_presented = false;
    qreal m_presentation = 0;

    CompanionSurfaceCard* m_card;
    QScrollArea* m_scroll;
    PairingPendingPage* m_pending = nullptr;
    QWidget* m_finished = nullptr;
    CompanionAppIconBadge* m_badge = nullptr;
    QWidget* m_nameRow = nullptr;
    CompanionLabel* m_nameLabel = nullptr;
    CompanionStatusPill* m_statusPill = nullptr;
    QToolButton* m_closeButton = nullptr;
    QPushButton* m_done = nullptr;
};
