#include "platform/qt/qtnotificationicon.h"

#include <atomic>
#include <vector>

namespace ostrane::platform {

namespace {

// Stands in for the owner window's handle: unique to each icon object of the process.
std::uint32_t nextOwner() {
    static std::atomic<std::uint32_t> last{0};
    return ++last;
}

// The messages an activation is made of, in the order a shell sends them.
std::vector<int> mouseMessagesOf(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return {513, 514};
    case QSystemTrayIcon::DoubleClick:
        return {515};
    case QSystemTrayIcon::Context:
        return {516, 517};
    case QSystemTrayIcon::MiddleClick:
        return {519, 520};
    case QSystemTrayIcon::Unknown:
        break;
    }
    return {};
}

} // namespace

QtNotificationIcon::QtNotificationIcon() : owner_(nextOwner()) {
    QObject::connect(&tray_, &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         for (int message : mouseMessagesOf(reason))
                             if (deliver_)
                                 deliver_(message);
                     });
}

void QtNotificationIcon::setIcon(const QIcon& icon) {
    icon_ = icon;
}

std::uint32_t QtNotificationIcon::programIcon() const {
    return static_cast<std::uint32_t>(icon_.cacheKey());
}

bool QtNotificationIcon::names(const NotifyIconRecord& record) const {
    return recordField(record, NotifyIconLayout::Owner) == owner_ &&
           recordField(record, NotifyIconLayout::Id) == id_;
}

bool QtNotificationIcon::add(const NotifyIconRecord& record) {
    if (recordField(record, NotifyIconLayout::Owner) != owner_ || tray_.isVisible())
        return false;
    id_ = recordField(record, NotifyIconLayout::Id);
    tray_.setIcon(icon_);
    tray_.setToolTip(QString::fromLatin1(recordTip(record)));
    tray_.show();
    return shown();
}

bool QtNotificationIcon::remove(const NotifyIconRecord& record) {
    if (!tray_.isVisible() || !names(record))
        return false;
    tray_.hide();
    return true;
}

bool QtNotificationIcon::shown() const {
    return tray_.isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

} // namespace ostrane::platform
