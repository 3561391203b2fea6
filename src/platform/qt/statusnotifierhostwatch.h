#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>

namespace ostrane::platform {

// Where a desktop's StatusNotifierWatcher answers on the session bus.
inline const QString statusNotifierWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
inline const QString statusNotifierWatcherPath = QStringLiteral("/StatusNotifierWatcher");

// Follows whether a StatusNotifierItem host serves a bus: a watcher owns its name and says a
// host registered with it. Every answer is announced, also one that did not change: a new
// watcher, or a new host, knows none of the items shown so far.
class StatusNotifierHostWatch : public QObject {
    Q_OBJECT
public:
    // Asks at once; without a connected bus the answer is known at once: no host.
    explicit StatusNotifierHostWatch(QDBusConnection bus);

    bool known() const { return known_; }
    bool present() const { return present_; }

    // Asks again and waits for the answer, for a decision that must not rest on an answer
    // that may already be old. Announces nothing.
    bool presentNow();

signals:
    void answered();

private slots:
    void ask();

private:
    void watcherChanged(const QString& newOwner);

    QDBusConnection bus_;
    QDBusServiceWatcher watcher_;
    // Only the answer to the latest question counts.
    unsigned asked_ = 0;
    bool known_ = false;
    bool present_ = false;
};

} // namespace ostrane::platform
