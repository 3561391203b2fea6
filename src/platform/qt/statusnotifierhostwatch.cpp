#include "platform/qt/statusnotifierhostwatch.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace ostrane::platform {

namespace {

QDBusMessage hostRegisteredQuestion() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        statusNotifierWatcherService, statusNotifierWatcherPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << statusNotifierWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    return get;
}

bool saysRegistered(const QDBusPendingReply<QDBusVariant>& reply) {
    return !reply.isError() && reply.value().variant().toBool();
}

} // namespace

StatusNotifierHostWatch::StatusNotifierHostWatch(QDBusConnection bus)
    : bus_(std::move(bus)),
      watcher_(statusNotifierWatcherService, bus_, QDBusServiceWatcher::WatchForOwnerChange) {
    if (!bus_.isConnected()) {
        known_ = true;
        return;
    }
    connect(&watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                watcherChanged(newOwner);
            });
    // From any sender: the question then goes to whoever owns the watcher's name.
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        bus_.connect(QString(), statusNotifierWatcherPath, statusNotifierWatcherService,
                     QString::fromLatin1(signal), this, SLOT(ask()));
    ask();
}

void StatusNotifierHostWatch::watcherChanged(const QString& newOwner) {
    if (!newOwner.isEmpty()) {
        ask();
        return;
    }
    ++asked_;
    known_ = true;
    present_ = false;
    emit answered();
}

void StatusNotifierHostWatch::ask() {
    const unsigned asking = ++asked_;
    auto* call = new QDBusPendingCallWatcher(bus_.asyncCall(hostRegisteredQuestion()), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, asking](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (asking != asked_)
                    return;
                known_ = true;
                present_ = saysRegistered(*finished);
                emit answered();
            });
}

bool StatusNotifierHostWatch::presentNow() {
    if (!bus_.isConnected())
        return false;
    ++asked_;
    const QDBusPendingReply<QDBusVariant> reply = bus_.call(hostRegisteredQuestion());
    known_ = true;
    present_ = saysRegistered(reply);
    return present_;
}

} // namespace ostrane::platform
