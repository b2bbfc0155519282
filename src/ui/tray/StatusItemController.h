#pragma once

#include "ui/tray/StatusIconColors.h"
#include "ui/tray/StatusItemMenu.h"
#include "ui/tray/TrayHostWatcher.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>
#include <optional>

class AppActionRouter;
class CompanionAppModel;
class QMenu;
class QSvgRenderer;

// The application's tray icon and its menu. The icon (logo, status dot,
// update badge), the tooltip and the menu follow the model at every status
// change; the menu's actions call the model or the router, never the runtime.
// A left click opens the dashboard, a right click the menu.
class StatusItemController : public QObject {
    Q_OBJECT
public:
    explicit StatusItemController(QObject* parent = nullptr);
    ~StatusItemController() override;

    // Shows the icon once; later calls only rebuild the menu. From then on the
    // icon follows the model's statusPresentationDidChange by itself. Both are
    // held weakly: they must outlive the controller or never be used again.
    void installIfNeeded(CompanionAppModel& model, AppActionRouter& router);
    // Redraws the icon, sets the tooltip and rebuilds the menu from the model;
    // nothing before installIfNeeded. Skips what did not change.
    void update(CompanionAppModel& model);

    // A panel can show the icon now (an XEmbed tray or a StatusNotifierItem
    // host). Without one the windows are the way in.
    bool isTrayAvailable() const;

    // The menu the icon shows; null before installIfNeeded.
    QMenu* menu() const noexcept { return m_menu.get(); }
    QSystemTrayIcon* trayIcon() const noexcept { return m_trayIcon.get(); }

Q_SIGNALS:
    void trayAvailabilityChanged(bool available);

private:
    void followModel();
    StatusIconColors iconColors(const CompanionAppModel& model) const;
    void rebuildMenu(const CompanionAppModel& model);
    StatusItemMenu::Actions menuActions();
    void activated(QSystemTrayIcon::ActivationReason reason);
    void quit();

    QPointer<CompanionAppModel> m_model;
    AppActionRouter* m_router = nullptr;
    std::shared_ptr<QSvgRenderer> m_logo;
    TrayHostWatcher m_hostWatcher;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_trayIcon;
    std::optional<StatusIconColors> m_shownColors;
    std::optional<StatusItemMenuState> m_shownMenu;
};
