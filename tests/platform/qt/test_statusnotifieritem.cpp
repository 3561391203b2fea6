#include "platform/qt/statusnotifierhostwatch.h"
#include "platform/qt/statusnotifieritem.h"

#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QEventLoop>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

namespace ostrane::platform {
namespace {

// A watcher on a connection of its own: takes every item, or answers with the error `answer`
// names. Says "Answered" after each answer.
class AcceptingWatcher : public QDBusVirtualObject {
public:
    explicit AcceptingWatcher(QString answer = {}) : answer_(std::move(answer)) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
        bus.send(answer_.isEmpty() ? message.createReply()
                                   : message.createErrorReply(answer_, QStringLiteral("no")));
        return bus.send(QDBusMessage::createSignal(
            statusNotifierWatcherPath, statusNotifierWatcherService, QStringLiteral("Answered")));
    }

private:
    QString answer_;
};

// Runs the event loop until the item's isShown() is `shown`.
void waitUntilShownIs(StatusNotifierItem& item, bool shown) {
    QEventLoop loop;
    QObject::connect(&item, &StatusNotifierItem::shownChanged, &loop, [&] {
        if (item.isShown() == shown)
            loop.quit();
    });
    if (item.isShown() != shown)
        loop.exec();
}

// Calls the item as a host does, from a connection of the host's own, letting the item answer.
QDBusMessage hostCall(const QString& host, const StatusNotifierItem& item, const QString& path,
                      const QString& interface, const QString& method, QList<QVariant> arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(item.serviceName(), path, interface, method);
    call.setArguments(arguments);
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, host)
        .call(call, QDBus::BlockWithGui);
}

// A watcher may go on saying that a host is registered after the host has ended (KDE's does):
// only a host that read the item, while it is on the bus, shows it.
TEST(StatusNotifierItem, CountsAsShownOnlyWhileAHostThatReadItIsOnTheBus) {
    QDBusConnection watcherBus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("watcher"));
    AcceptingWatcher watcher;
    ASSERT_TRUE(watcherBus.registerVirtualObject(statusNotifierWatcherPath, &watcher));
    ASSERT_TRUE(watcherBus.registerService(statusNotifierWatcherService));

    StatusNotifierItem item(QDBusConnection::sessionBus());
    item.setToolTip(QStringLiteral("QV-SPC Ostrane"));
    item.show();
    EXPECT_FALSE(item.isShown()) << "registered, but read by no host yet";

    const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
    for (const QString& host : {QStringLiteral("host"), QStringLiteral("second host")}) {
        const QDBusMessage read =
            hostCall(host, item, QStringLiteral("/StatusNotifierItem"), properties,
                     QStringLiteral("GetAll"), {QStringLiteral("org.kde.StatusNotifierItem")});
        ASSERT_EQ(read.type(), QDBusMessage::ReplyMessage) << read.errorMessage().toStdString();
        EXPECT_TRUE(item.isShown());
    }

    // The menu the item names is there to read, and empty.
    const QDBusMessage menu = hostCall(QStringLiteral("host"), item, QStringLiteral("/MenuBar"),
                                       QStringLiteral("com.canonical.dbusmenu"),
                                       QStringLiteral("GetLayout"), {0, -1, QStringList()});
    ASSERT_EQ(menu.type(), QDBusMessage::ReplyMessage) << menu.errorMessage().toStdString();
    EXPECT_EQ(menu.signature(), QStringLiteral("u(ia{sv}av)"));

    QDBusConnection::disconnectFromBus(QStringLiteral("host"));
    EXPECT_TRUE(item.isShown()) << "the second host still shows it";
    QDBusConnection::disconnectFromBus(QStringLiteral("second host"));
    waitUntilShownIs(item, false);

    // The watcher still answers; a host that comes and reads the item shows it again.
    hostCall(QStringLiteral("third host"), item, QStringLiteral("/StatusNotifierItem"), properties,
             QStringLiteral("Get"),
             {QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("IconPixmap")});
    EXPECT_TRUE(item.isShown());
    item.hide();
    EXPECT_FALSE(item.isShown());
    watcherBus.unregisterService(statusNotifierWatcherService);
}

// An error from the watcher refuses the item although a host read it; no answer in time (a
// shell busy starting) refuses nothing.
TEST(StatusNotifierItem, IsRefusedByTheWatchersErrorNotByItsSilence) {
    for (const auto& [answer, shown] :
         {std::pair{QStringLiteral("org.gnome.gjs.JSError.ValueError"), false},
          {QStringLiteral("org.freedesktop.DBus.Error.NoReply"), true}}) {
        QDBusConnection watcherBus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, answer);
        AcceptingWatcher watcher(answer);
        ASSERT_TRUE(watcherBus.registerVirtualObject(statusNotifierWatcherPath, &watcher));
        ASSERT_TRUE(watcherBus.registerService(statusNotifierWatcherService));
        QEventLoop answered;
        QDBusConnection::sessionBus().connect(watcherBus.baseService(), statusNotifierWatcherPath,
                                              statusNotifierWatcherService,
                                              QStringLiteral("Answered"), &answered, SLOT(quit()));

        StatusNotifierItem item(QDBusConnection::sessionBus());
        item.show();
        answered.exec();
        hostCall(QStringLiteral("host ") + answer, item, QStringLiteral("/StatusNotifierItem"),
                 QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"),
                 {QStringLiteral("org.kde.StatusNotifierItem")});
        EXPECT_EQ(item.isShown(), shown) << answer.toStdString();
        watcherBus.unregisterService(statusNotifierWatcherService);
    }
}

QByteArray bytes(std::initializer_list<unsigned char> values) {
    QByteArray result;
    for (unsigned char value : values)
        result.append(static_cast<char>(value));
    return result;
}

// Hosts read each pixel as alpha, red, green, blue, in that order, whatever the machine's
// byte order, and without the premultiplied alpha Qt keeps its pixmaps in.
TEST(StatusNotifierPixmaps, CarryEachPixelAsStraightArgbInNetworkOrder) {
    QImage image(3, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, 0xff112233);
    image.setPixel(1, 0, 0x80ff0000);
    image.setPixel(2, 0, 0x00000000);
    const StatusNotifierPixmaps pixmaps = statusNotifierPixmaps(QIcon(QPixmap::fromImage(image)));
    ASSERT_EQ(pixmaps.size(), 1);
    EXPECT_EQ(pixmaps[0].width, 3);
    EXPECT_EQ(pixmaps[0].height, 1);
    EXPECT_EQ(pixmaps[0].pixels,
              bytes({0xff, 0x11, 0x22, 0x33, 0x80, 0xff, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST(StatusNotifierPixmaps, OfferEverySizeTheIconHasRowByRow) {
    QIcon icon;
    for (int side : {16, 32}) {
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(0xff000000);
        // The last pixel alone is white: rows that ran together or came out short would
        // move it.
        image.setPixel(side - 1, side - 1, 0xffffffff);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    const StatusNotifierPixmaps pixmaps = statusNotifierPixmaps(icon);
    ASSERT_EQ(pixmaps.size(), 2);
    for (const StatusNotifierPixmap& pixmap : pixmaps) {
        SCOPED_TRACE(pixmap.width);
        EXPECT_EQ(pixmap.height, pixmap.width);
        ASSERT_EQ(pixmap.pixels.size(), pixmap.width * pixmap.height * 4);
        EXPECT_EQ(pixmap.pixels.right(8), bytes({0xff, 0, 0, 0, 0xff, 0xff, 0xff, 0xff}));
    }
    EXPECT_EQ(pixmaps[0].width + pixmaps[1].width, 48);
}

} // namespace
} // namespace ostrane::platform
