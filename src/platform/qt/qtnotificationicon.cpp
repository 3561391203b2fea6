#include "platform/qt/qtnotificationicon.h"

#include "platform/qt/statusnotifierhostwatch.h"
#include "platform/qt/statusnotifieritem.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <atomic>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>
#include <xcb/xcb.h>

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

// Asks the X server who owns the X11 tray's manager selection, the tray's own word that it
// runs, and watches the owner's window so that its end comes as an event. Qt keeps its own
// answer, which can stay behind when a tray ends as another area takes over.
class TrayManagerOwner {
public:
    TrayManagerOwner() {
        auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        // Qt's offscreen platform offers the interface with no connection behind it.
        connection_ = x11 ? x11->connection() : nullptr;
        if (!connection_)
            return;
        // Qt opens its display on the default screen, the one whose tray it docks into.
        const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(defaultScreen());
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, name.size(), name.constData()), nullptr);
        if (atom) {
            selection_ = atom->atom;
            free(atom);
        }
    }

    // Whether the server can be asked at all: on other platforms only Qt can say.
    bool known() const { return selection_ != XCB_ATOM_NONE; }

    // Whether a tray owns the selection now; a new owner's window is watched from then on.
    bool owned() const {
        xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
            connection_, xcb_get_selection_owner(connection_, selection_), nullptr);
        const xcb_window_t owner = reply ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
        free(reply);
        if (owner != XCB_WINDOW_NONE && owner != watched_) {
            const std::uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(connection_, owner, XCB_CW_EVENT_MASK, &events);
            xcb_flush(connection_);
        }
        watched_ = owner;
        return owner != XCB_WINDOW_NONE;
    }

private:
    static int defaultScreen() {
        const QByteArray display = qgetenv("DISPLAY");
        const int dot = display.lastIndexOf('.');
        const int colon = display.lastIndexOf(':');
        return dot > colon ? display.mid(dot + 1).toInt() : 0;
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_atom_t selection_ = XCB_ATOM_NONE;
    mutable xcb_window_t watched_ = XCB_WINDOW_NONE;
};

// Sees the X events after which the X11 tray may have gone or come: a window destroyed (the
// tray's among them) and a client message (a new tray announces itself with one). Qt's own
// tracking of the tray handles each event after this filter has seen it.
class TrayEventWatch : public QAbstractNativeEventFilter {
public:
    explicit TrayEventWatch(std::function<void()> seen) : seen_(std::move(seen)) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~TrayEventWatch() override {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }
    TrayEventWatch(const TrayEventWatch&) = delete;
    TrayEventWatch& operator=(const TrayEventWatch&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        // The codes of the X protocol's core events, in the first byte of every event; its
        // top bit only says that the event was sent by a client.
        constexpr std::uint8_t destroyNotify = 17;
        constexpr std::uint8_t clientMessage = 33;
        if (eventType == "xcb_generic_event_t") {
            const std::uint8_t code = *static_cast<const std::uint8_t*>(message) & 0x7f;
            if (code == destroyNotify || code == clientMessage)
                seen_();
        }
        return false;
    }

private:
    std::function<void()> seen_;
};

QtNotificationIcon::QtNotificationIcon(std::function<QDBusConnection()> bus)
    : bus_(std::move(bus)), owner_(nextOwner()) {
    // Asked once the event that started it has been handled, by Qt's tray tracking too.
    askTrayAgain_.setSingleShot(true);
    askTrayAgain_.setInterval(0);
    QObject::connect(&askTrayAgain_, &QTimer::timeout, [this] { reportShown(); });
}

void QtNotificationIcon::watchBus() {
    if (hosts_)
        return;
    const QDBusConnection bus = bus_();
    hosts_ = std::make_unique<StatusNotifierHostWatch>(bus);
    item_ = std::make_unique<StatusNotifierItem>(bus);
    item_->setIcon(icon_);
    QObject::connect(hosts_.get(), &StatusNotifierHostWatch::answered, [this] {
        place();
        reportShown();
    });
    QObject::connect(item_.get(), &StatusNotifierItem::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         deliver(reason, Area::StatusNotifierHost);
                     });
    QObject::connect(item_.get(), &StatusNotifierItem::shownChanged, [this] { reportShown(); });
}

QtNotificationIcon::~QtNotificationIcon() = default;

void QtNotificationIcon::deliver(QSystemTrayIcon::ActivationReason reason, Area from) {
    for (int message : mouseMessagesOf(reason, from))
        if (deliver_)
            deliver_(message);
}

QSystemTrayIcon& QtNotificationIcon::classicTray() {
    if (!tray_) {
        tray_ = std::make_unique<QSystemTrayIcon>();
        QObject::connect(
            tray_.get(), &QSystemTrayIcon::activated,
            [this](QSystemTrayIcon::ActivationReason reason) { deliver(reason, Area::Classic); });
        trayOwner_ = std::make_unique<TrayManagerOwner>();
        trayEvents_ = std::make_unique<TrayEventWatch>([this] {
            if (area_ == Area::Classic)
                askTrayAgain_.start();
        });
    }
    return *tray_;
}

void QtNotificationIcon::setIcon(const QIcon& icon) {
    icon_ = icon;
    if (item_)
        item_->setIcon(icon);
    if (tray_)
        tray_->setIcon(icon);
}

std::uint32_t QtNotificationIcon::programIcon() const {
    return static_cast<std::uint32_t>(icon_.cacheKey());
}

bool QtNotificationIcon::names(const core::NotifyIconRecord& record) const {
    return core::recordField(record, core::NotifyIconLayout::Owner) == owner_ &&
           core::recordField(record, core::NotifyIconLayout::Id) == id_;
}

void QtNotificationIcon::place() {
    Area target = Area::None;
    if (added_ && hosts_->known())
        target = hosts_->present() ? Area::StatusNotifierHost : Area::Classic;
    // The first QSystemTrayIcon fixes Qt's choice for the process; the answer that sent the
    // icon here may be old by now.
    if (target == Area::Classic && !tray_ && hosts_->presentNow())
        target = Area::StatusNotifierHost;

    if (target != Area::StatusNotifierHost)
        item_->hide();
    if (target != Area::Classic && tray_)
        tray_->hide();
    if (target == Area::StatusNotifierHost) {
        item_->setToolTip(tip_);
        item_->show();
    } else if (target == Area::Classic) {
        QSystemTrayIcon& tray = classicTray();
        tray.setIcon(icon_);
        tray.setToolTip(tip_);
        tray.show();
    }
    area_ = target;
}

bool QtNotificationIcon::add(const core::NotifyIconRecord& record) {
    if (core::recordField(record, core::NotifyIconLayout::Owner) != owner_ || added_)
        return false;
    id_ = core::recordField(record, core::NotifyIconLayout::Id);
    tip_ = QString::fromLatin1(core::recordTip(record));
    added_ = true;
    watchBus();
    place();
    toldShown_ = shown();
    return toldShown_;
}

bool QtNotificationIcon::remove(const core::NotifyIconRecord& record) {
    if (!added_ || !names(record))
        return false;
    added_ = false;
    place();
    toldShown_ = shown();
    return true;
}

void QtNotificationIcon::reportShown() {
    const bool now = shown();
    if (now == toldShown_)
        return;
    toldShown_ = now;
    if (notify_)
        notify_();
}

bool QtNotificationIcon::shown() const {
    switch (area_) {
    case Area::StatusNotifierHost:
        return item_->isShown();
    case Area::Classic:
        if (!tray_->isVisible())
            return false;
        return trayOwner_->known() ? trayOwner_->owned() : QSystemTrayIcon::isSystemTrayAvailable();
    case Area::None:
        break;
    }
    return false;
}

} // namespace ostrane::platform
