#include "ui/onboarding/CompanionGuideStepView.h"

#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "model/CompanionAppModel.h"
#include "runtime/RuntimeSnapshot.h"
#include "supervision/BundleInfo.h"
#include "supervision/CompanionPaths.h"
#include "ui/components/CompanionInsetSurfaceModifier.h"
#include "ui/components/CompanionLabel.h"
#include "ui/onboarding/CompanionStepFooter.h"
#include "ui/onboarding/CompanionStepHeading.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CompanionGuideStepView::CompanionGuideStepView(CompanionAppModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_name(new QLineEdit),
      m_launchAtLogin(new QCheckBox(tr("Start Vendrilo Connect at login"))),
      m_installation(new CompanionLabel(CompanionTextStyle::Callout)),
      m_starting(new CompanionLabel(tr("Starting the bundled runtime…"), CompanionTextStyle::Callout)),
      m_error(new CompanionLabel(CompanionTextStyle::Callout)),
      m_previewName(new CompanionLabel(CompanionTextStyle::Title3)),
      m_previewLaunch(new CompanionLabel(tr("Starts at login"), CompanionTextStyle::Caption)),
      m_footer(new CompanionStepFooter(false)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    layout->addWidget(new CompanionStepHeading(
        tr("Step 1"), tr("Name this Mac"),
        tr("Pick the name Vendrilo shows and whether the companion should launch when you sign in."), this));

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setHorizontalSpacing(14);
    form->setVerticalSpacing(10);
    m_name->setAccessibleName(tr("Companion name"));
    form->addRow(tr("Companion name"), m_name);
    form->addRow(QString(), m_launchAtLogin);
    m_installation->setTone(CompanionLabel::Tone::Secondary);
    m_installation->setText(CompanionPaths::isInstalledInApplications(BundleInfo::main().bundlePath())
                                ? tr("Installed in Applications")
                                : tr("Running outside Applications"));
    form->addRow(QString(), m_installation);
    m_starting->setTone(CompanionLabel::Tone::Secondary);
    form->addRow(QString(), m_starting);
    layout->addLayout(form);

    m_error->setTint(StatusTint::Red);
    m_error->setAccessibleName(tr("Setup error"));
    layout->addWidget(m_error);

    auto* preview = new QWidget(this);
    CompanionInsetSurfaceModifier::apply(preview, 12);
    auto* previewLayout = new QVBoxLayout(preview);
    previewLayout->setContentsMargins(16, 14, 16, 14);
    previewLayout->setSpacing(3);
    auto* previewTitle = new CompanionLabel(tr("Preview"), CompanionTextStyle::Caption, preview);
    previewTitle->setWeight(QFont::DemiBold);
    previewTitle->setTone(CompanionLabel::Tone::Secondary);
    previewLayout->addWidget(previewTitle);
    m_previewName->setWeight(QFont::DemiBold);
    previewLayout->addWidget(m_previewName);
    auto* note =
        new CompanionLabel(tr("Shown in Vendrilo when you pair."), CompanionTextStyle::Callout, preview);
    note->setTone(CompanionLabel::Tone::Secondary);
    previewLayout->addWidget(note);
    m_previewLaunch->setTint(StatusTint::Green);
    m_previewLaunch->setWeight(QFont::DemiBold);
    previewLayout->addWidget(m_previewLaunch);
    layout->addWidget(preview);

    layout->addWidget(m_footer);

    connect(m_name, &QLineEdit::textEdited, &m_model, &CompanionAppModel::setOnboardingDisplayNameDraft);
    connect(m_launchAtLogin, &QCheckBox::clicked, &m_model,
            &CompanionAppModel::setOnboardingLaunchAtLoginEnabled);
    connect(m_footer, &CompanionStepFooter::primaryClicked, this, [this] {
        startBackgroundTask(m_model.completeOnboarding(), lcUi(), "Saving the setup choices");
    });
    for (auto changed :
         {&CompanionAppModel::onboardingDisplayNameDraftChanged,
          &CompanionAppModel::onboardingLaunchAtLoginEnabledChanged,
          &CompanionAppModel::onboardingErrorMessageChanged,
          &CompanionAppModel::isCompletingOnboardingChanged, &CompanionAppModel::runtimeChanged}) {
        connect(&m_model, changed, this, &CompanionGuideStepView::render);
    }
    render();
}

void CompanionGuideStepView::render() {
    const QString draft = m_model.onboardingDisplayNameDraft();
    if (m_name->text() != draft) {
        m_name->setText(draft);
    }
    m_launchAtLogin->setChecked(m_model.onboardingLaunchAtLoginEnabled());
    const bool hasRuntime = m_model.runtime().has_value();
    m_starting->setVisible(!hasRuntime);
    const std::optional<QString>& error = m_model.onboardingErrorMessage();
    m_error->setTextIfChanged(error.value_or(QString()));
    m_error->setVisible(error.has_value() && !error->isEmpty());
    m_previewName->setTextIfChanged(draft.isEmpty() ? tr("This Mac") : draft);
    m_previewLaunch->setVisible(m_model.onboardingLaunchAtLoginEnabled());
    m_footer->setPrimary(tr("Save and Continue"),
                         !m_model.isCompletingOnboarding() && hasRuntime && !draft.trimmed().isEmpty());
}
