#pragma once

#include "ui/clients/ClientEditorSheet.h"
#include "ui/components/ModelMessageBanner.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class CompanionAppModel;
class CompanionBootstrapView;
class CompanionOperationalDashboardView;
class CompanionPairingOverlay;
class DashboardToolbar;
class QGraphicsBlurEffect;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;

// The content of the dashboard window: the start-up placeholder, or the
// messages above the operational dashboard (or the guided setup), with the
// toolbar, the client editor sheet and the pairing popup. Everything it shows
// comes from the model; every control calls the model.
class DashboardWindowView : public QWidget {
    Q_OBJECT
public:
    static constexpr int sectionAnimationMilliseconds = 420;

    // Makes the guided setup's view (CompanionGuidedOnboardingView unless
    // replaced).
    using ViewFactory = std::function<QWidget*(CompanionAppModel& model, QWidget* parent)>;

    explicit DashboardWindowView(CompanionAppModel& model, QWidget* parent = nullptr);
    ~DashboardWindowView() override;

    // The guided setup shown until the model's guided experience is complete.
    void setGuidedOnboardingFactory(ViewFactory factory);
    // Tests and benchmarks turn the transitions off.
    void setAnimationsEnabled(bool enabled);

    CompanionBootstrapView* bootstrapView() const { return m_bootstrap; }
    CompanionStatusBanner* banner() const { return m_banner; }
    CompanionOperationalDashboardView* operationalView() const { return m_operational; }
    QWidget* guidedOnboardingView() const { return m_onboarding; }
    DashboardToolbar* toolbar() const { return m_toolbar; }
    CompanionPairingOverlay* pairingOverlay() const { return m_overlay; }
    ClientEditorSheet* clientEditor() const { return m_sheet; }
    // Toolbar and pages: what the popup blurs and shields.
    QWidget* contentArea() const { return m_content; }
    QScrollArea* scrollArea() const { return m_scroll; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void refreshPlaceholder();
    void refreshBody(bool animated);
    void syncOverlay();
    void applyBlur(qreal presentation);
    void syncSheet();
    void fadeIn(QWidget* page);

    CompanionAppModel& m_model;
    ViewFactory m_onboardingFactory;
    bool m_animations = true;
    bool m_started = false;
    bool m_saveRequested = false;

    QWidget* m_content;
    DashboardToolbar* m_toolbar;
    QStackedWidget* m_pages;
    CompanionBootstrapView* m_bootstrap;
    QScrollArea* m_scroll;
    ModelMessageBanner* m_banner;
    QVBoxLayout* m_bodyLayout;
    CompanionOperationalDashboardView* m_operational;
    QWidget* m_onboarding = nullptr;
    CompanionPairingOverlay* m_overlay;
    QGraphicsBlurEffect* m_blur = nullptr;
    QPointer<ClientEditorSheet> m_sheet;
    QPointer<QWidget> m_focusBeforeOverlay;
};
