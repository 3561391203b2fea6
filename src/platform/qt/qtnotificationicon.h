#pragma once

#include "core/notificationicon.h"

#include <QIcon>
#include <QSystemTrayIcon>

namespace ostrane::platform {

// The notification icon through QSystemTrayIcon. Qt reports clicks, not mouse messages, so
// each activation is delivered as the messages that make it up.
class QtNotificationIcon : public NotificationIcon {
public:
    QtNotificationIcon();

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

    QSystemTrayIcon tray_;
    QIcon icon_;
    std::uint32_t owner_;
    std::uint32_t id_ = 0;
    MouseMessages deliver_;
};

} // namespace ostrane::platform
