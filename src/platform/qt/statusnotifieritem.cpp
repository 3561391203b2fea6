#include "platform/qt/statusnotifieritem.h"

#include "platform/qt/statusnotifierhostwatch.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QtEndian>
#include <atomic>

namespace ostrane::platform {

namespace {

const QString itemPath = QStringLiteral("/StatusNotifierItem");
const QString menuPath = QStringLiteral("/MenuBar");
const QString itemInterfaceName = QStringLiteral("org.kde.StatusNotifierItem");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// What each path offers, as the bus's introspection reads it.
constexpr char itemInterface[] = R"xml(<interface name="org.kde.StatusNotifierItem">
  <property name="Category" type="s" access="read"/>
  <property name="Id" type="s" access="read"/>
  <property name="Title" type="s" access="read"/>
  <property name="Status" type="s" access="read"/>
  <property name="WindowId" type="i" access="read"/>
  <property name="IconThemePath" type="s" access="read"/>
  <property name="IconName" type="s" access="read"/>
  <property name="IconPixmap" type="a(iiay)" access="read"/>
  <property name="OverlayIconName" type="s" access="read"/>
  <property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
  <property name="AttentionIconName" type="s" access="read"/>
  <property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
  <property name="AttentionMovieName" type="s" access="read"/>
  <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
  <property name="ItemIsMenu" type="b" access="read"/>
  <property name="Menu" type="o" access="read"/>
  <method name="Activate"><arg type="i" direction="in"/><arg type="i" direction="in"/></method>
  <method name="SecondaryActivate"><arg type="i" direction="in"/><arg type="i" direction="in"/></method>
  <method name="ContextMenu"><arg type="i" direction="in"/><arg type="i" direction="in"/></method>
  <method name="Scroll"><arg type="i" direction="in"/><arg type="s" direction="in"/></method>
  <signal name="NewTitle"/>
  <signal name="NewIcon"/>
  <signal name="NewToolTip"/>
  <signal name="NewStatus"><arg type="s"/></signal>
</interface>
)xml";

constexpr char menuInterface[] = R"xml(<interface name="com.canonical.dbusmenu">
  <property name="Version" type="u" access="read"/>
  <property name="TextDirection" type="s" access="read"/>
  <property name="Status" type="s" access="read"/>
  <property name="IconThemePath" type="as" access="read"/>
  <method name="GetLayout"><arg type="i" direction="in"/><arg type="i" direction="in"/>
    <arg type="as" direction="in"/><arg type="u" direction="out"/>
    <arg type="(ia{sv}av)" direction="out"/></method>
  <method name="GetGroupProperties"><arg type="ai" direction="in"/><arg type="as" direction="in"/>
    <arg type="a(ia{sv})" direction="out"/></method>
  <method name="Event"><arg type="i" direction="in"/><arg type="s" direction="in"/>
    <arg type="v" direction="in"/><arg type="u" direction="in"/></method>
  <method name="EventGroup"><arg type="a(isvu)" direction="in"/>
    <arg type="ai" direction="out"/></method>
  <method name="AboutToShow"><arg type="i" direction="in"/><arg type="b" direction="out"/></method>
  <method name="AboutToShowGroup"><arg type="ai" direction="in"/><arg type="ai" direction="out"/>
    <arg type="ai" direction="out"/></method>
  <signal name="ItemsPropertiesUpdated"><arg type="a(ia{sv})"/><arg type="a(ias)"/></signal>
  <signal name="LayoutUpdated"><arg type="u"/><arg type="i"/></signal>
  <signal name="ItemActivationRequested"><arg type="i"/><arg type="u"/></signal>
</interface>
)xml";

// One entry of a menu with its properties, as com.canonical.dbusmenu carries it (ia{sv}).
struct DBusMenuEntry {
    int id = 0;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEntry& entry) {
    argument.beginStructure();
    argument << entry.id << entry.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEntry& entry) {
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.endStructure();
    return argument;
}

// The name hosts know an item by: the process and a number unique within it.
QString nextServiceName() {
    static std::atomic<unsigned> last{0};
    return QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(++last);
}

// Whether the watcher's answer to a registration refuses the item. No answer in time is no
// refusal: a shell busy starting (GNOME's) may answer late and show the item all the same, and
// then only the hosts that read it tell whether it is shown.
bool refusal(const QDBusError& answer) {
    switch (answer.type()) {
    case QDBusError::NoError:
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return false;
    default:
        return true;
    }
}

} // namespace
} // namespace ostrane::platform

Q_DECLARE_METATYPE(ostrane::platform::DBusMenuEntry)

namespace ostrane::platform {

// The item's face on the bus, and its menu's: answers what hosts read and call, and tells the
// item who read it. Written out rather than through an adaptor, which never learns who asked.
class StatusNotifierItemObject : public QDBusVirtualObject {
public:
    explicit StatusNotifierItemObject(StatusNotifierItem& item) : item_(item) {}

    QString introspect(const QString& path) const override {
        return QString::fromLatin1(path == menuPath ? menuInterface : itemInterface);
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
        if (message.type() != QDBusMessage::MethodCallMessage)
            return false;
        const QString& interface = message.interface();
        const QString& member = message.member();
        const QList<QVariant> arguments = message.arguments();
        if (message.path() == menuPath)
            return answerMenu(message, bus);
        if (interface == propertiesInterface) {
            const QVariantMap all = properties();
            if (member == QLatin1String("GetAll")) {
                item_.readBy(message.service());
                return bus.send(message.createReply(QVariant(all)));
            }
            if (member == QLatin1String("Get") && arguments.size() == 2 &&
                all.contains(arguments[1].toString())) {
                item_.readBy(message.service());
                return bus.send(message.createReply(
                    QVariant::fromValue(QDBusVariant(all.value(arguments[1].toString())))));
            }
            return bus.send(message.createErrorReply(QDBusError::InvalidArgs,
                                                     QStringLiteral("No such property")));
        }
        static const QHash<QString, QSystemTrayIcon::ActivationReason> activations = {
            {QStringLiteral("Activate"), QSystemTrayIcon::Trigger},
            {QStringLiteral("SecondaryActivate"), QSystemTrayIcon::MiddleClick},
            {QStringLiteral("ContextMenu"), QSystemTrayIcon::Context},
        };
        if (interface == itemInterfaceName || interface.isEmpty()) {
            // Answered before the activation runs: the host need not wait for the window.
            bus.send(message.createReply());
            if (activations.contains(member))
                emit item_.activated(activations.value(member));
            return true;
        }
        return false;
    }

private:
    QVariantMap properties() const {
        const QString none;
        return {
            {QStringLiteral("Category"), QStringLiteral("ApplicationStatus")},
            {QStringLiteral("Id"), QCoreApplication::applicationName()},
            {QStringLiteral("Title"), QGuiApplication::applicationDisplayName()},
            {QStringLiteral("Status"), QStringLiteral("Active")},
            {QStringLiteral("WindowId"), 0},
            {QStringLiteral("IconThemePath"), none},
            {QStringLiteral("IconName"), none},
            {QStringLiteral("IconPixmap"), QVariant::fromValue(item_.pixmaps())},
            {QStringLiteral("OverlayIconName"), none},
            {QStringLiteral("OverlayIconPixmap"), QVariant::fromValue(StatusNotifierPixmaps())},
            {QStringLiteral("AttentionIconName"), none},
            {QStringLiteral("AttentionIconPixmap"), QVariant::fromValue(StatusNotifierPixmaps())},
            {QStringLiteral("AttentionMovieName"), none},
            {QStringLiteral("ToolTip"),
             QVariant::fromValue(StatusNotifierToolTip{{}, {}, item_.toolTip(), {}})},
            {QStringLiteral("ItemIsMenu"), false},
            {QStringLiteral("Menu"), QVariant::fromValue(QDBusObjectPath(menuPath))},
        };
    }

    // An empty menu: GNOME's AppIndicator extension reads the item's menu before it shows the
    // icon, and with none to read it at times shows nothing.
    bool answerMenu(const QDBusMessage& message, const QDBusConnection& bus) const {
        const QString& member = message.member();
        if (message.interface() == propertiesInterface) {
            const QVariantMap all = {{QStringLiteral("Version"), 3u},
                                     {QStringLiteral("TextDirection"), QStringLiteral("ltr")},
                                     {QStringLiteral("Status"), QStringLiteral("normal")},
                                     {QStringLiteral("IconThemePath"), QStringList()}};
            if (member == QLatin1String("GetAll"))
                return bus.send(message.createReply(QVariant(all)));
            const QString name = message.arguments().value(1).toString();
            if (member == QLatin1String("Get") && all.contains(name))
                return bus.send(
                    message.createReply(QVariant::fromValue(QDBusVariant(all.value(name)))));
            return bus.send(message.createErrorReply(QDBusError::InvalidArgs,
                                                     QStringLiteral("No such property")));
        }
        QDBusMessage reply = message.createReply();
        if (member == QLatin1String("GetLayout")) {
            // Revision 1 of a root (id 0) that opens a submenu with no entries.
            QDBusArgument root;
            root.beginStructure();
            root << 0
                 << QVariantMap{{QStringLiteral("children-display"), QStringLiteral("submenu")}};
            root.beginArray(qMetaTypeId<QDBusVariant>());
            root.endArray();
            root.endStructure();
            reply << 1u << QVariant::fromValue(root);
        } else if (member == QLatin1String("GetGroupProperties")) {
            reply << QVariant::fromValue(QList<DBusMenuEntry>());
        } else if (member == QLatin1String("AboutToShow")) {
            reply << false;
        } else if (member == QLatin1String("AboutToShowGroup")) {
            reply << QVariant::fromValue(QList<int>()) << QVariant::fromValue(QList<int>());
        } else if (member == QLatin1String("EventGroup")) {
            reply << QVariant::fromValue(QList<int>());
        } else if (member != QLatin1String("Event")) {
            reply = message.createErrorReply(QDBusError::UnknownMethod, member);
        }
        return bus.send(reply);
    }

    StatusNotifierItem& item_;
};

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierPixmap& pixmap) {
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.pixels;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierPixmap& pixmap) {
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.pixels;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& toolTip) {
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.pixmaps << toolTip.title << toolTip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& toolTip) {
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.pixmaps >> toolTip.title >> toolTip.text;
    argument.endStructure();
    return argument;
}

StatusNotifierPixmaps statusNotifierPixmaps(const QIcon& icon) {
    QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty())
        sizes = {{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}};
    StatusNotifierPixmaps pixmaps;
    for (const QSize& size : sizes) {
        const QImage image =
            icon.pixmap(size, 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            continue;
        StatusNotifierPixmap pixmap{image.width(), image.height(), {}};
        pixmap.pixels.resize(static_cast<qsizetype>(image.width()) * image.height() * 4);
        auto* out = reinterpret_cast<quint32*>(pixmap.pixels.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                qToUnaligned(qToBigEndian<quint32>(line[x]), out++);
        }
        pixmaps.append(pixmap);
    }
    return pixmaps;
}

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus)
    : bus_(std::move(bus)), serviceName_(nextServiceName()),
      object_(std::make_unique<StatusNotifierItemObject>(*this)) {
    qDBusRegisterMetaType<StatusNotifierPixmap>();
    qDBusRegisterMetaType<StatusNotifierPixmaps>();
    qDBusRegisterMetaType<StatusNotifierToolTip>();
    qDBusRegisterMetaType<DBusMenuEntry>();
    qDBusRegisterMetaType<QList<DBusMenuEntry>>();
    viewerWatch_.setConnection(bus_);
    viewerWatch_.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&viewerWatch_, &QDBusServiceWatcher::serviceUnregistered, this,
            &StatusNotifierItem::viewerLeft);
}

StatusNotifierItem::~StatusNotifierItem() {
    hide();
}

void StatusNotifierItem::setIcon(const QIcon& icon) {
    pixmaps_ = statusNotifierPixmaps(icon);
    announce("NewIcon");
}

void StatusNotifierItem::setToolTip(const QString& text) {
    if (text == toolTip_)
        return;
    toolTip_ = text;
    announce("NewToolTip");
}

void StatusNotifierItem::announce(const char* signal) {
    if (onBus_)
        bus_.send(
            QDBusMessage::createSignal(itemPath, itemInterfaceName, QString::fromLatin1(signal)));
}

bool StatusNotifierItem::isShown() const {
    return onBus_ && !refused_ && !viewers_.isEmpty();
}

void StatusNotifierItem::show() {
    if (!bus_.isConnected())
        return;
    if (!onBus_) {
        if (!bus_.registerVirtualObject(itemPath, object_.get()))
            return;
        if (!bus_.registerVirtualObject(menuPath, object_.get()) ||
            !bus_.registerService(serviceName_)) {
            bus_.unregisterObject(itemPath);
            bus_.unregisterObject(menuPath);
            return;
        }
        onBus_ = true;
    }
    QDBusMessage registration = QDBusMessage::createMethodCall(
        statusNotifierWatcherService, statusNotifierWatcherPath, statusNotifierWatcherService,
        QStringLiteral("RegisterStatusNotifierItem"));
    // Named by its path, the item is known by the connection's own name: GNOME's AppIndicator
    // extension, given the item's bus name, watches that name, and when the watch begins after
    // the extension has read the item it forgets the item's menu and never shows it.
    registration << itemPath;
    const bool before = isShown();
    refused_ = false;
    reportShownSince(before);
    const unsigned registering = ++registrations_;
    auto* call = new QDBusPendingCallWatcher(bus_.asyncCall(registration), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, registering](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (registering == registrations_ && refusal(finished->error())) {
                    const bool before = isShown();
                    refused_ = true;
                    reportShownSince(before);
                }
            });
}

void StatusNotifierItem::hide() {
    ++registrations_;
    if (!onBus_)
        return;
    const bool before = isShown();
    bus_.unregisterService(serviceName_);
    bus_.unregisterObject(itemPath);
    bus_.unregisterObject(menuPath);
    onBus_ = false;
    viewers_.clear();
    viewerWatch_.setWatchedServices({});
    reportShownSince(before);
}

void StatusNotifierItem::readBy(const QString& connection) {
    if (connection.isEmpty() || viewers_.contains(connection))
        return;
    const bool before = isShown();
    viewers_.insert(connection);
    viewerWatch_.addWatchedService(connection);
    // A reader that left before the watch began would never be reported.
    if (!bus_.interface()->isServiceRegistered(connection)) {
        viewerLeft(connection);
        return;
    }
    reportShownSince(before);
}

void StatusNotifierItem::viewerLeft(const QString& connection) {
    const bool before = isShown();
    viewers_.remove(connection);
    viewerWatch_.removeWatchedService(connection);
    reportShownSince(before);
}

void StatusNotifierItem::reportShownSince(bool before) {
    if (isShown() != before)
        emit shownChanged();
}

} // namespace ostrane::platform
