#include "ui/dashboard/DashboardWindowView.h"

#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "model/CompanionAppModel.h"
#include "runtime/RuntimeSnapshot.h"
#include "ui/clients/ClientEditorSheet.h"
#include "ui/components/CompanionPalette.h"
#include "ui/components/ModelMessageBanner.h"
#include "ui/dashboard/CompanionBootstrapView.h"
#include "ui/dashboard/CompanionOperationalDashboardView.h"
#include "ui/dashboard/DashboardToolbar.h"
#include "ui/onboarding/CompanionGuidedOnboardingView.h"
#include "ui/pairing/CompanionPairingOverlay.h"

#include <QApplication>
#include <QGraphicsBlurEffect>
#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
constexpr qreal presentedBlurRadius = 2.0;
}

DashboardWindowView::DashboardWindowView(CompanionAppModel& model, QWidget* parent)
    : QWidget(parent), m_model(model),
      m_onboardingFactory([](CompanionAppModel& shown, QWidget* parent) -> QWidget* {
          return new CompanionGuidedOnboardingView(shown, parent);
      }),
      m_content(new QWidget(this)), m_toolbar(new DashboardToolbar(model)), m_pages(new QStackedWidget),
      m_bootstrap(new CompanionBootstrapView), m_scroll(new QScrollArea), m_banner(nullptr),
      m_bodyLayout(nullptr), m_operational(nullptr), m_overlay(nullptr) {
    setObjectName(QStringLiteral("dashboardWindowView"));
    setMinimumSize(420, 360);

    // Toolbar on top, then the placeholder or the scrolling column.
    auto* column = new QWidget;
    column->setObjectName(QStringLiteral("dashboardColumn"));
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(20, 6, 20, 6);
    columnLayout->setSpacing(16);
    m_banner = new ModelMessageBanner(model, column);
    m_banner->setObjectName(QStringLiteral("dashboardBanner"));
    columnLayout->addWidget(m_banner);
    m_operational = new CompanionOperationalDashboardView(model);
    columnLayout->addWidget(m_operational);
    m_bodyLayout = columnLayout;

    m_scroll->setWidget(column);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    // Tabbing reaches the controls inside, and the area scrolls to each.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The canvas painted by this view shows through.
    m_scroll->viewport()->setAutoFillBackground(false);
    column->setAutoFillBackground(false);
    m_pages->addWidget(m_bootstrap);
    m_pages->addWidget(m_scroll);

    auto* contentLayout = new QVBoxLayout(m_content);
    contentLayout->setContentsMargins(0, 10, 0, 0);
    contentLayout->setSpacing(8);
    auto* toolbarRow = new QVBoxLayout;
    toolbarRow->setContentsMargins(20, 0, 20, 0);
    toolbarRow->addWidget(m_toolbar);
    contentLayout->addLayout(toolbarRow);
    contentLayout->addWidget(m_pages, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_content);

    m_overlay = new CompanionPairingOverlay(model, this);
    connect(m_overlay, &CompanionPairingOverlay::presentationChanged, this, &DashboardWindowView::applyBlur);

    connect(&m_model, &CompanionAppModel::runtimeChanged, this, &DashboardWindowView::refreshPlaceholder);
    connect(&m_model, &CompanionAppModel::errorMessageChanged, this, [this] {
        refreshPlaceholder();
        if (m_sheet && m_saveRequested) {
            m_sheet->setErrorMessage(m_model.errorMessage());
        }
    });
    connect(&m_model, &CompanionAppModel::hasCompletedGuidedExperienceChanged, this,
            [this] { refreshBody(true); });
    connect(&m_model, &CompanionAppModel::selectedSectionChanged, this, [this] {
        if (m_onboarding && m_onboarding->isVisible()) {
            fadeIn(m_onboarding);
        }
    });
    connect(&m_model, &CompanionAppModel::isPairingOverlayPresentedChanged, this,
            &DashboardWindowView::syncOverlay);
    connect(&m_model, &CompanionAppModel::clientDraftChanged, this, &DashboardWindowView::syncSheet);
    connect(&m_model, &CompanionAppModel::isBusyChanged, this, [this] {
        if (m_sheet) {
            m_sheet->setBusy(m_model.isBusy());
        }
    });

    refreshPlaceholder();
    refreshBody(false);
    syncOverlay();
    syncSheet();
}

DashboardWindowView::~DashboardWindowView() = default;

void DashboardWindowView::setGuidedOnboardingFactory(ViewFactory factory) {
    m_onboardingFactory = std::move(factory);
    delete m_onboarding;
    m_onboarding = nullptr;
    refreshBody(false);
}

void DashboardWindowView::setAnimationsEnabled(bool enabled) {
    m_animations = enabled;
    m_overlay->setAnimationDuration(enabled ? CompanionPairingOverlay::defaultAnimationMilliseconds : 0);
}

void DashboardWindowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), CompanionPalette::canvas(palette()));
}

void DashboardWindowView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_started) {
        m_started = true;
        m_model.startIfNeeded();
    }
}

void DashboardWindowView::refreshPlaceholder() {
    const bool starting = !m_model.runtime() && !m_model.errorMessage();
    m_pages->setCurrentWidget(starting ? static_cast<QWidget*>(m_bootstrap) : m_scroll);
}

void DashboardWindowView::refreshBody(bool animated) {
    const bool dashboard = m_model.hasCompletedGuidedExperience();
    if (!dashboard && !m_onboarding && m_onboardingFactory) {
        m_onboarding = m_onboardingFactory(m_model, nullptr);
        m_onboarding->setObjectName(QStringLiteral("guidedOnboarding"));
        m_bodyLayout->insertWidget(m_bodyLayout->indexOf(m_operational), m_onboarding);
    }
    QWidget* shown = dashboard ? static_cast<QWidget*>(m_operational) : m_onboarding;
    QWidget* hidden = dashboard ? m_onboarding : static_cast<QWidget*>(m_operational);
    if (hidden) {
        hidden->hide();
    }
    if (shown && !shown->isVisibleTo(this)) {
        shown->show();
        if (animated) {
            fadeIn(shown);
        }
    } else if (shown) {
        shown->show();
    }
}

void DashboardWindowView::fadeIn(QWidget* page) {
    if (!m_animations || page->graphicsEffect()) {
        return;
    }
    auto* fade = new QGraphicsOpacityEffect(page);
    fade->setOpacity(0);
    page->setGraphicsEffect(fade);
    auto* animation = new QPropertyAnimation(fade, "opacity", fade);
    animation->setDuration(sectionAnimationMilliseconds);
    // The windows' springs (damping 0.9) settle without overshoot, like this curve.
    animation->setEasingCurve(QEasingCurve::OutCubic);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    connect(animation, &QPropertyAnimation::finished, page, [page] { page->setGraphicsEffect(nullptr); });
    animation->start();
}

void DashboardWindowView::syncOverlay() {
    const bool presented = m_model.isPairingOverlayPresented();
    if (presented == m_overlay->isPresented()) {
        return;
    }
    if (presented) {
        m_focusBeforeOverlay = QApplication::focusWidget();
    }
    // The content beneath takes no clicks or keys while the popup is up.
    m_content->setAttribute(Qt::WA_TransparentForMouseEvents, presented);
    m_overlay->setPresented(presented);
    if (!presented && m_focusBeforeOverlay) {
        m_focusBeforeOverlay->setFocus(Qt::OtherFocusReason);
    }
}

void DashboardWindowView::applyBlur(qreal presentation) {
    if (presentation <= 0) {
        if (m_blur) {
            m_content->setGraphicsEffect(nullptr);
            m_blur = nullptr;
        }
        return;
    }
    if (!m_blur) {
        m_blur = new QGraphicsBlurEffect(m_content);
        m_blur->setBlurHints(QGraphicsBlurEffect::PerformanceHint);
        m_content->setGraphicsEffect(m_blur);
    }
    m_blur->setBlurRadius(presentedBlurRadius * presentation);
}

void DashboardWindowView::syncSheet() {
    const std::optional<ClientDraft>& draft = m_model.clientDraft();
    if (m_sheet && (!draft || m_sheet->draft().id != draft->id)) {
        // Closed by the model (a save succeeded, or another draft replaced it).
        ClientEditorSheet* closing = m_sheet;
        m_sheet = nullptr;
        closing->disconnect(this);
        closing->done(QDialog::Accepted);
        closing->deleteLater();
    }
    if (!draft || m_sheet) {
        return;
    }
    m_saveRequested = false;
    m_sheet = new ClientEditorSheet(*draft, this);
    m_sheet->setBusy(m_model.isBusy());
    connect(m_sheet, &ClientEditorSheet::saveRequested, this, [this](const ClientDraft& edited) {
        m_saveRequested = true;
        startBackgroundTask(m_model.saveClientDraft(edited), lcUi(), "Saving a torrent client");
    });
    connect(m_sheet, &ClientEditorSheet::errorDismissed, this,
            [this] { m_model.setErrorMessage(std::nullopt); });
    connect(m_sheet, &QDialog::rejected, this, [this] { m_model.setClientDraft(std::nullopt); });
    m_sheet->open();
}
