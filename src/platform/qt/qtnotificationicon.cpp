#include "platform/qt/qtnotificationicon.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
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
std::vector<int> mouseMessagesOf(QSystemTrayIcon::ActivationReason reason,
                                 QtNotificationIcon::Area area) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        if (area == QtNotificationIcon::Area::StatusNotifierHost)
            return {515};
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

QtNotificationIcon::Area QtNotificationIcon::chosenArea() {
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(watcher))
        return Area::Classic;
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcher, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return Area::Classic;
    const bool registered =
        qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
    return registered ? Area::StatusNotifierHost : Area::Classic;
}

QtNotificationIcon::QtNotificationIcon(Area area) : area_(area), owner_(nextOwner()) {
    QObject::connect(&tray_, &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         for (int message : mouseMessagesOf(reason, area_))
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
