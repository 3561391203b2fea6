#include "platform/qt/statusnotifieritem.h"

#include "platform/qt/statusnotifierhostwatch.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QGuiApplication>
#include <QImage>
#include <QtEndian>
#include <atomic>

namespace ostrane::platform {

namespace {

const QString itemPath = QStringLiteral("/StatusNotifierItem");

// The name hosts know an item by: the process and a number unique within it.
QString nextServiceName() {
    static std::atomic<unsigned> last{0};
    return QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(++last);
}

} // namespace

// The item's face on the bus: what hosts read and call.
class StatusNotifierItemAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ noName)
    Q_PROPERTY(QString IconName READ noName)
    Q_PROPERTY(ostrane::platform::StatusNotifierPixmaps IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ noName)
    Q_PROPERTY(ostrane::platform::StatusNotifierPixmaps OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ noName)
    Q_PROPERTY(ostrane::platform::StatusNotifierPixmaps AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ noName)
    Q_PROPERTY(ostrane::platform::StatusNotifierToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

public:
    explicit StatusNotifierItemAdaptor(StatusNotifierItem* item)
        : QDBusAbstractAdaptor(item), item_(item) {}

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QCoreApplication::applicationName(); }
    QString title() const { return QGuiApplication::applicationDisplayName(); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString noName() const { return {}; }
    StatusNotifierPixmaps iconPixmap() const { return item_->pixmaps(); }
    StatusNotifierPixmaps noPixmaps() const { return {}; }
    StatusNotifierToolTip toolTip() const { return {{}, {}, item_->toolTip(), {}}; }
    bool itemIsMenu() const { return false; }
    // The path hosts take for "no menu".
    QDBusObjectPath menu() const { return QDBusObjectPath(QStringLiteral("/NO_DBUSMENU")); }

public slots:
    void Activate(int, int) { emit item_->activated(QSystemTrayIcon::Trigger); }
    void SecondaryActivate(int, int) { emit item_->activated(QSystemTrayIcon::MiddleClick); }
    void ContextMenu(int, int) { emit item_->activated(QSystemTrayIcon::Context); }
    void Scroll(int, const QString&) {}

signals:
    void NewTitle();
    void NewIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    StatusNotifierItem* item_;
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
      adaptor_(new StatusNotifierItemAdaptor(this)) {
    qDBusRegisterMetaType<StatusNotifierPixmap>();
    qDBusRegisterMetaType<StatusNotifierPixmaps>();
    qDBusRegisterMetaType<StatusNotifierToolTip>();
}

StatusNotifierItem::~StatusNotifierItem() {
    hide();
}

void StatusNotifierItem::setIcon(const QIcon& icon) {
    pixmaps_ = statusNotifierPixmaps(icon);
    if (onBus_)
        emit adaptor_->NewIcon();
}

void StatusNotifierItem::setToolTip(const QString& text) {
    if (text == toolTip_)
        return;
    toolTip_ = text;
    if (onBus_)
        emit adaptor_->NewToolTip();
}

void StatusNotifierItem::show() {
    if (!bus_.isConnected())
        return;
    if (!onBus_) {
        if (!bus_.registerObject(itemPath, this, QDBusConnection::ExportAdaptors))
            return;
        if (!bus_.registerService(serviceName_)) {
            bus_.unregisterObject(itemPath);
            return;
        }
        onBus_ = true;
    }
    QDBusMessage registration = QDBusMessage::createMethodCall(
        statusNotifierWatcherService, statusNotifierWatcherPath, statusNotifierWatcherService,
        QStringLiteral("RegisterStatusNotifierItem"));
    registration << serviceName_;
    // The watcher hands the item to its hosts before its answer gets here: only a refusal
    // takes the item back off screen.
    shown_ = true;
    const unsigned registering = ++registrations_;
    auto* call = new QDBusPendingCallWatcher(bus_.asyncCall(registration), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, registering](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (registering == registrations_ && finished->isError()) {
                    shown_ = false;
                    emit refused();
                }
            });
}

void StatusNotifierItem::hide() {
    ++registrations_;
    shown_ = false;
    if (!onBus_)
        return;
    bus_.unregisterService(serviceName_);
    bus_.unregisterObject(itemPath);
    onBus_ = false;
}

} // namespace ostrane::platform

#include "statusnotifieritem.moc"
