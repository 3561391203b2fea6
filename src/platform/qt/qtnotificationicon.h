#pragma once

#include "core/notificationicon.h"

#include <QIcon>
#include <QSystemTrayIcon>

namespace ostrane::platform {

// The notification icon through QSystemTrayIcon. Qt reports clicks, not mouse messages, so
// each activation is delivered as the messages that make it up.
//
// A classic notification area (an X11 tray) passes on the mouse itself: a double click is a
// double click. A StatusNotifierItem host (XFCE's and KDE's panels, GNOME's AppIndicator
// extension) reports one activation for its own gesture and never a double click; there the
// activation is delivered as the double click, the gesture that brings a hidden window back.
class QtNotificationIcon : public NotificationIcon {
public:
    enum class Area { Classic, StatusNotifierHost };

    // Qt chooses the kind of area once, when the first icon is made, and keeps it: `area`
    // must be what Qt chose, which `chosenArea` finds out when called at the same time.
    explicit QtNotificationIcon(Area area = chosenArea());

    // Whether a StatusNotifierItem host serves the session now, which is the question Qt
    // answers to choose.
    static Area chosenArea();
    Area area() const { return area_; }

    // The picture shown in the notification area; set before the icon is added.
    void setIcon(const QIcon& icon);

    std::uint32_t callbackWindow() const override { return owner_; }
    std::uint32_t programIcon() const override;
    bool add(const NotifyIconRecord& record) override;
    bool remove(const NotifyIconRecord& record) override;
    void onMouseMessage(MouseMessages deliver) override { deliver_ = std::move(deliver); }
    bool shown() const override;

    const QSystemTrayIcon& systemTrayIcon() const { return tray_; }

private:
    bool names(const NotifyIconRecord& record) const;

    Area area_;
    QSystemTrayIcon tray_;
    QIcon icon_;
    std::uint32_t owner_;
    std::uint32_t id_ = 0;
    MouseMessages deliver_;
};

} // namespace ostrane::platform
