#pragma once

#include "core/notificationicon.h"

#include <QDBusConnection>
#include <QIcon>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>
#include <memory>

namespace ostrane::platform {

class StatusNotifierHostWatch;
class StatusNotifierItem;
class TrayEventWatch;
class TrayManagerOwner;

// The notification icon on whichever notification area the desktop offers now, moving
// when that changes: a StatusNotifierItem host (XFCE's and KDE's panels, GNOME's
// AppIndicator extension) while one serves the session bus, otherwise the classic X11 tray
// through QSystemTrayIcon. Activations are delivered as the mouse messages they are made of.
//
// A classic area passes on the mouse itself: a double click is a double click. A host
// reports one activation for its own gesture and never a double click; there the activation
// is delivered as the double click, the gesture that brings a hidden window back.
//
// The icon is no longer shown when the area it is in goes away: the X11 tray ends (its window
// is destroyed), or the host leaves the bus with no X11 tray to move to. That, and the icon
// being shown again, is told to onShownChange.
class QtNotificationIcon : public core::NotificationIcon {
public:
    enum class Area { None, Classic, StatusNotifierHost };

    // Watches the bus `bus` gives for hosts; without a connected bus the icon goes to the X11
    // tray only. The bus is first asked for at the first add, so a program that adds its icon
    // after its first frame connects to the bus only then.
    explicit QtNotificationIcon(
        std::function<QDBusConnection()> bus = &QDBusConnection::sessionBus);
    ~QtNotificationIcon() override;

    // Where the icon goes now: None while it is not added, or while the bus has not yet said
    // whether a host serves it.
    Area area() const { return area_; }

    // The picture shown in the notification area.
    void setIcon(const QIcon& icon);

    std::uint32_t callbackWindow() const override { return owner_; }
    std::uint32_t programIcon() const override;
    bool add(const core::NotifyIconRecord& record) override;
    bool remove(const core::NotifyIconRecord& record) override;
    void onMouseMessage(MouseMessages deliver) override { deliver_ = std::move(deliver); }
    void onShownChange(ShownChanges notify) override { notify_ = std::move(notify); }
    bool shown() const override;

    // The X11 tray's icon, made the first time the icon goes there: null before.
    const QSystemTrayIcon* systemTrayIcon() const { return tray_.get(); }
    // The StatusNotifierItem, made at the first add: null before.
    const StatusNotifierItem* statusNotifierItem() const { return item_.get(); }

private:
    void watchBus();
    bool names(const core::NotifyIconRecord& record) const;
    void place();
    // Tells onShownChange when shown() differs from what it was last told.
    void reportShown();
    QSystemTrayIcon& classicTray();
    void deliver(QSystemTrayIcon::ActivationReason reason, Area from);

    std::function<QDBusConnection()> bus_;
    // Made at the first add, with the connection to the bus.
    std::unique_ptr<StatusNotifierHostWatch> hosts_;
    std::unique_ptr<StatusNotifierItem> item_;
    // Made only while no host serves the bus: Qt decides at the first QSystemTrayIcon
    // whether all of them go to a host instead, and keeps that decision.
    std::unique_ptr<QSystemTrayIcon> tray_;
    // Made with the X11 tray's icon: whether a tray runs is asked of the X server, which says
    // nothing when it goes or comes, so shown() is asked again after each X event that may
    // mean that.
    std::unique_ptr<TrayEventWatch> trayEvents_;
    std::unique_ptr<TrayManagerOwner> trayOwner_;
    QTimer askTrayAgain_;
    QIcon icon_;
    QString tip_;
    std::uint32_t owner_;
    std::uint32_t id_ = 0;
    bool added_ = false;
    Area area_ = Area::None;
    MouseMessages deliver_;
    ShownChanges notify_;
    bool toldShown_ = false;
};

} // namespace ostrane::platform
