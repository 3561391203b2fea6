#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QSystemTrayIcon>
#include <memory>

namespace ostrane::platform {

// One picture as a StatusNotifierItem carries it (a(iiay)): width, height and the ARGB32
// pixels row by row, each pixel in network byte order.
struct StatusNotifierPixmap {
    int width = 0;
    int height = 0;
    QByteArray pixels;
};
using StatusNotifierPixmaps = QList<StatusNotifierPixmap>;

// The tooltip ((sa(iiay)ss)): icon name, pictures, title and text.
struct StatusNotifierToolTip {
    QString iconName;
    StatusNotifierPixmaps pixmaps;
    QString title;
    QString text;
};

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& toolTip);

class StatusNotifierItemObject;

// The icon's pictures at each of its own sizes; at the usual panel sizes when it names none.
StatusNotifierPixmaps statusNotifierPixmaps(const QIcon& icon);

// The program's icon as a StatusNotifierItem of its own, under a bus name of its own, with
// an empty menu. A host's activation, menu and secondary activation arrive as Qt's activation
// reasons (Trigger, Context, MiddleClick); scrolling is ignored.
//
// The item counts as shown only while a connection that read it, as a host reads the items
// it shows, is still on the bus: a watcher may go on saying that a host is registered after
// the host has ended.
class StatusNotifierItem : public QObject {
    Q_OBJECT
public:
    explicit StatusNotifierItem(QDBusConnection bus);
    ~StatusNotifierItem() override;

    void setIcon(const QIcon& icon);
    void setToolTip(const QString& text);
    const StatusNotifierPixmaps& pixmaps() const { return pixmaps_; }
    const QString& toolTip() const { return toolTip_; }

    // Puts the item on the bus and registers it with the watcher, also again when it is
    // already there (a new watcher knows nothing of it). It counts as shown once a host has
    // read it, unless the watcher refuses it (an answer that never came refuses nothing). One
    // item of a process can be on the bus at a time.
    void show();
    // Takes the item off the bus; hosts drop it when its name goes.
    void hide();
    bool isShown() const;
    const QString& serviceName() const { return serviceName_; }

signals:
    void activated(QSystemTrayIcon::ActivationReason reason);
    // isShown() changed: a first host read the item, the last one that did left the bus, or
    // the watcher refused the item.
    void shownChanged();

private:
    friend class StatusNotifierItemObject;
    void readBy(const QString& connection);
    void viewerLeft(const QString& connection);
    void announce(const char* signal);
    // Tells shownChanged when isShown() differs from what `before` was.
    void reportShownSince(bool before);

    QDBusConnection bus_;
    QString serviceName_;
    std::unique_ptr<StatusNotifierItemObject> object_;
    StatusNotifierPixmaps pixmaps_;
    QString toolTip_;
    // The unique bus names of the connections that read the item since it went on the bus.
    QSet<QString> viewers_;
    QDBusServiceWatcher viewerWatch_;
    bool onBus_ = false;
    bool refused_ = false;
    // Only the watcher's answer to the latest registration counts.
    unsigned registrations_ = 0;
};

} // namespace ostrane::platform

Q_DECLARE_METATYPE(ostrane::platform::StatusNotifierPixmap)
Q_DECLARE_METATYPE(ostrane::platform::StatusNotifierToolTip)
