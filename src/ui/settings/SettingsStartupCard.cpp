#include "ui/settings/SettingsStartupCard.h"

#include "model/CompanionAppModel.h"
#include "ui/components/CompanionStatusPill.h"
#include "ui/settings/SettingsToggleCard.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

SettingsStartupCard::SettingsStartupCard(CompanionAppModel& model, QWidget* parent)
    : SettingsSectionCard(
          QStringLiteral("power.circle"), tr("Startup & Presence"),
          tr("Control when the companion launches and whether Cmd+Q leaves it available from the "
             "menu bar."),
          parent),
      m_model(model), m_launchPill(new CompanionStatusPill), m_quitPill(new CompanionStatusPill),
      m_launch(new SettingsToggleCard(QStringLiteral("bolt.badge.clock"),
                                      tr("Start Vendrilo Connect at login"), {},
                                      [this](bool on) {
                                          m_model.setLaunchAtLogin(on);
                                          // The system may refuse: show what it really has.
                                          render();
                                      })),
      m_keepRunning(new SettingsToggleCard(
          QStringLiteral("menubar.rectangle"), tr("Keep running in the menu bar when quitting"),
          tr("When enabled, Cmd+Q closes the windows and leaves the companion available from the menu bar. "
             "Use "
             "Quit Completely from the status item when you really want to stop it."),
          [this](bool on) {
              m_model.setKeepRunningInMenuBarWhenQuitting(on);
              render();
          })) {
    auto* pills = new QHBoxLayout;
    pills->setSpacing(8);
    pills->addWidget(m_launchPill);
    pills->addWidget(m_quitPill);
    pills->addStretch();
    contentLayout()->addLayout(pills);
    contentLayout()->addWidget(m_launch);
    contentLayout()->addWidget(m_keepRunning);

    connect(&m_model, &CompanionAppModel::launchAtLoginEnabledChanged, this, &SettingsStartupCard::render);
    connect(&m_model, &CompanionAppModel::launchAtLoginStatusChanged, this, &SettingsStartupCard::render);
    connect(&m_model, &CompanionAppModel::keepRunningInMenuBarWhenQuittingChanged, this,
            &SettingsStartupCard::render);
    render();
}

void SettingsStartupCard::render() {
    const bool launches = m_model.launchAtLoginEnabled();
    m_launchPill->setTitle(launches ? tr("Starts automatically") : tr("Manual launch"));
    m_launchPill->setTint(launches ? StatusTint::Green : StatusTint::Secondary);
    const bool stays = m_model.keepRunningInMenuBarWhenQuitting();
    m_quitPill->setTitle(stays ? tr("Menu bar stays active") : tr("Cmd+Q fully quits"));
    m_quitPill->setTint(stays ? StatusTint::Blue : StatusTint::Secondary);
    m_launch->setOn(launches);
    m_launch->setSubtitle(m_model.launchAtLoginStatus());
    m_keepRunning->setOn(stays);
}
