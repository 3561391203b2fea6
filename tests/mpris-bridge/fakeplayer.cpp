// fake-mpris-player: an MPRIS player for the bridge's tests. It records every call on
// standard output ("call METHOD ARG"), can be slow, fail, lack OpenUri, own several names and
// vanish; it says "announced NAME VALUE" once a property change has left through the bus. It
// takes commands on standard input (one per line):
//   status Playing|Paused|Stopped   set PlaybackStatus (and announce it)
//   delay MS                        reply to player calls after MS milliseconds
//   gather N                        hold the replies to the next N calls until all N came
//   fail METHOD                     answer METHOD with an error from now on
//   vanish | appear                 give up every name | take them again
//   flood ENTRIES PER_SECOND        announce a Metadata of ENTRIES entries PER_SECOND times a
//                                   second, until "flood 0 0"
//   exit                            end
// Options: --name NAME (repeatable; "org.mpris.MediaPlayer2." is prepended), --audacious
// (also own org.atheme.audacious with OpenList), --no-open-uri, --delay MS, --fail METHOD,
// --status STATUS, --cannot-control, --cannot-quit, --clear-on-stop (Stop unloads the track),
// --track URI (start with a loaded track), --properties-after MS (answer for the properties
// only MS after the names are taken), --vanish-on METHOD (give up every name when METHOD
// is called, and never reply to it), --exit-on METHOD (end, without a reply, when METHOD is
// called), --appear-when FILE (say "waiting" once on the bus, and take the names only once
// FILE exists).

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

const QString rootPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString rootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString audaciousName = QStringLiteral("org.atheme.audacious");

void say(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    [[maybe_unused]] const ssize_t ignored = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
}

struct Settings {
    QStringList names;
    bool audacious = false;
    bool openUri = true;
    int delayMs = 0;
    QStringList failing;
    QStringList vanishing;
    QStringList exiting;
    QString appearWhen;
    QString status = QStringLiteral("Stopped");
    bool canControl = true;
    bool canQuit = true;
    bool clearOnStop = false;
    bool propertiesLater = false; // the names come before the properties can be read
    int propertiesAfterMs = 0;
    QString track;
};

class FakePlayer : public QDBusVirtualObject {
public:
    FakePlayer(QDBusConnection bus, Settings settings)
        : bus_(std::move(bus)), s_(std::move(settings)) {}

    QString introspect(const QString& path) const override {
        if (path == QLatin1String("/org/atheme/audacious")) {
            return QStringLiteral("<interface name=\"org.atheme.audacious\">"
                                  "<method name=\"OpenList\"><arg type=\"as\" direction=\"in\"/>"
                                  "</method></interface>");
        }
        QString player = QStringLiteral(
            "<interface name=\"org.mpris.MediaPlayer2\"><method name=\"Quit\"/>"
            "<method name=\"Raise\"/></interface>"
            "<interface name=\"org.mpris.MediaPlayer2.Player\"><method name=\"Play\"/>"
            "<method name=\"Pause\"/><method name=\"Stop\"/><method name=\"PlayPause\"/>");
        if (s_.openUri) {
            player += QStringLiteral(
                "<method name=\"OpenUri\"><arg type=\"s\" direction=\"in\"/></method>");
        }
        return player + QStringLiteral("</interface>");
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        const QString interface = message.interface();
        const QString member = message.member();
        if (interface == QLatin1String("org.freedesktop.DBus.Introspectable")) {
            const QString xml =
                QStringLiteral("<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object "
                               "Introspection 1.0//EN\"\n \"http://www.freedesktop.org/"
                               "standards/dbus/1.0/introspect.dtd\">\n<node>") +
                introspect(message.path()) + QStringLiteral("</node>");
            bus_.send(message.createReply(xml));
            return true;
        }
        if (interface == propertiesInterface) {
            if (s_.propertiesLater) {
                bus_.send(message.createErrorReply(QDBusError::UnknownObject, message.path()));
                return true;
            }
            if (s_.propertiesAfterMs > 0) {
                message.setDelayedReply(true);
                QTimer::singleShot(s_.propertiesAfterMs, [this, message] { properties(message); });
                return true;
            }
            return properties(message);
        }
        QStringList args;
        for (const QVariant& arg : message.arguments()) {
            args << (arg.metaType() == QMetaType::fromType<QStringList>()
                         ? arg.toStringList().join(QLatin1Char(' '))
                         : arg.toString());
        }
        const bool known =
            (interface == rootInterface &&
             (member == QLatin1String("Quit") || member == QLatin1String("Raise"))) ||
            (interface == playerInterface &&
             QStringList{"Play", "Pause", "Stop", "PlayPause"}.contains(member)) ||
            (interface == playerInterface && member == QLatin1String("OpenUri") && s_.openUri) ||
            (interface == audaciousName && member == QLatin1String("OpenList") && s_.audacious);
        if (!known) {
            bus_.send(message.createErrorReply(QDBusError::UnknownMethod,
                                               QStringLiteral("no such method ") + member));
            return true;
        }
        say(QStringLiteral("call ") + (QStringList{member} + args).join(QLatin1Char(' ')));
        message.setDelayedReply(true);
        if (s_.vanishing.contains(member)) {
            vanish();
            return true;
        }
        if (s_.exiting.contains(member)) {
            QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
            return true;
        }
        const QDBusMessage reply =
            s_.failing.contains(member)
                ? message.createErrorReply(QStringLiteral("org.ostrane.Fake.Failed"),
                                           QStringLiteral("told to fail ") + member)
                : message.createReply();
        const bool fails = s_.failing.contains(member);
        auto act = [this, member, args, reply, fails] {
            bus_.send(reply);
            if (!fails) {
                perform(member, args);
            }
        };
        if (gather_ > 0) {
            gathered_.push_back(act);
            if (static_cast<int>(gathered_.size()) == gather_) {
                gather_ = 0;
                for (const auto& held : std::exchange(gathered_, {})) {
                    held();
                }
            }
        } else if (s_.delayMs > 0) {
            QTimer::singleShot(s_.delayMs, act);
        } else {
            act();
        }
        return true;
    }

    void command(const QString& line) {
        const QString word = line.section(QLatin1Char(' '), 0, 0);
        const QString rest = line.section(QLatin1Char(' '), 1);
        if (word == QLatin1String("status")) {
            setStatus(rest);
        } else if (word == QLatin1String("delay")) {
            s_.delayMs = rest.toInt();
        } else if (word == QLatin1String("gather")) {
            gather_ = rest.toInt();
        } else if (word == QLatin1String("fail")) {
            s_.failing << rest;
        } else if (word == QLatin1String("properties")) {
            s_.propertiesLater = false;
        } else if (word == QLatin1String("flood")) {
            flood(rest.section(QLatin1Char(' '), 0, 0).toInt(),
                  rest.section(QLatin1Char(' '), 1, 1).toInt());
        } else if (word == QLatin1String("vanish")) {
            vanish();
        } else if (word == QLatin1String("appear")) {
            takeNames();
        } else if (word == QLatin1String("exit")) {
            QCoreApplication::exit(0);
        }
        say(QStringLiteral("done ") + line);
    }

    bool takeNames() {
        for (const QString& name : busNames()) {
            if (!bus_.registerService(name)) {
                return false;
            }
        }
        return true;
    }

private:
    void flood(int entries, int perSecond) {
        flooding_.stop();
        if (entries <= 0 || perSecond <= 0) {
            return;
        }
        QVariantMap metadata;
        for (int i = 0; i < entries; ++i) {
            metadata.insert(QStringLiteral("xesam:comment%1").arg(i),
                            QStringLiteral("a comment of some twenty bytes"));
        }
        QDBusMessage signal = QDBusMessage::createSignal(rootPath, propertiesInterface,
                                                         QStringLiteral("PropertiesChanged"));
        signal.setArguments(
            {playerInterface, QVariantMap{{QStringLiteral("Metadata"), metadata}}, QStringList()});
        flooding_.disconnect();
        QObject::connect(&flooding_, &QTimer::timeout, [this, signal] { bus_.send(signal); });
        flooding_.start(1000 / perSecond);
    }

    void vanish() {
        for (const QString& name : busNames()) {
            bus_.unregisterService(name);
        }
    }

    QStringList busNames() const {
        QStringList names;
        for (const QString& name : s_.names) {
            names << QStringLiteral("org.mpris.MediaPlayer2.") + name;
        }
        if (s_.audacious) {
            names << audaciousName;
        }
        return names;
    }

    QVariantMap metadata() const {
        QVariantMap map;
        if (s_.track.isEmpty()) {
            map.insert(QStringLiteral("mpris:trackid"),
                       QVariant::fromValue(QDBusObjectPath(
                           QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"))));
        } else {
            map.insert(QStringLiteral("mpris:trackid"),
                       QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/ostrane/track"))));
            map.insert(QStringLiteral("xesam:url"), s_.track);
        }
        return map;
    }

    QVariantMap all(const QString& interface) const {
        if (interface == rootInterface) {
            return {{QStringLiteral("CanQuit"), s_.canQuit},
                    {QStringLiteral("CanRaise"), false},
                    {QStringLiteral("HasTrackList"), false},
                    {QStringLiteral("Identity"), QStringLiteral("Fake player")}};
        }
        if (interface == playerInterface) {
            return {{QStringLiteral("PlaybackStatus"), s_.status},
                    {QStringLiteral("Metadata"), metadata()},
                    {QStringLiteral("CanControl"), s_.canControl},
                    {QStringLiteral("CanPlay"), true},
                    {QStringLiteral("CanPause"), true}};
        }
        return {};
    }

    bool properties(const QDBusMessage& message) {
        const QVariantList args = message.arguments();
        const QString interface = args.value(0).toString();
        if (message.member() == QLatin1String("GetAll")) {
            bus_.send(message.createReply(QVariant(all(interface))));
        } else if (message.member() == QLatin1String("Get")) {
            const QVariantMap values = all(interface);
            const QString name = args.value(1).toString();
            if (!values.contains(name)) {
                bus_.send(message.createErrorReply(QDBusError::InvalidArgs, name));
            } else {
                bus_.send(
                    message.createReply(QVariant::fromValue(QDBusVariant(values.value(name)))));
            }
        } else {
            bus_.send(message.createErrorReply(QDBusError::NotSupported, message.member()));
        }
        return true;
    }

    // Announces the change and says "announced NAME VALUE" once the bus has passed it on.
    void changed(const QString& name, const QVariant& value, const QString& shown) {
        QDBusMessage signal = QDBusMessage::createSignal(rootPath, propertiesInterface,
                                                         QStringLiteral("PropertiesChanged"));
        signal.setArguments({playerInterface, QVariantMap{{name, value}}, QStringList()});
        bus_.send(signal);
        // The bus handles one connection's messages in order: by the time it answers this,
        // the signal is on its way to every listener, ahead of anything that happens later.
        bus_.interface()->call(QDBus::Block, QStringLiteral("NameHasOwner"), bus_.baseService());
        say(QStringLiteral("announced ") + name + QLatin1Char(' ') + shown);
    }

    void setStatus(const QString& status) {
        if (status != s_.status) {
            s_.status = status;
            changed(QStringLiteral("PlaybackStatus"), status, status);
        }
    }

    void setTrack(const QString& track) {
        if (track != s_.track) {
            s_.track = track;
            changed(QStringLiteral("Metadata"), metadata(), track);
        }
    }

    void perform(const QString& member, const QStringList& args) {
        if (member == QLatin1String("Play")) {
            if (!s_.track.isEmpty()) {
                setStatus(QStringLiteral("Playing"));
            }
        } else if (member == QLatin1String("Pause")) {
            setStatus(QStringLiteral("Paused"));
        } else if (member == QLatin1String("Stop")) {
            setStatus(QStringLiteral("Stopped"));
            if (s_.clearOnStop) {
                setTrack(QString());
            }
        } else if (member == QLatin1String("OpenUri") || member == QLatin1String("OpenList")) {
            setTrack(args.value(0).section(QLatin1Char(' '), 0, 0));
        } else if (member == QLatin1String("Quit")) {
            QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        }
    }

    QDBusConnection bus_;
    Settings s_;
    int gather_ = 0;
    QTimer flooding_;
    std::vector<std::function<void()>> gathered_;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Settings settings;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const QString value = args.value(i + 1);
        if (arg == QLatin1String("--name")) {
            settings.names << value;
            ++i;
        } else if (arg == QLatin1String("--audacious")) {
            settings.audacious = true;
        } else if (arg == QLatin1String("--no-open-uri")) {
            settings.openUri = false;
        } else if (arg == QLatin1String("--delay")) {
            settings.delayMs = value.toInt();
            ++i;
        } else if (arg == QLatin1String("--fail")) {
            settings.failing << value;
            ++i;
        } else if (arg == QLatin1String("--status")) {
            settings.status = value;
            ++i;
        } else if (arg == QLatin1String("--cannot-control")) {
            settings.canControl = false;
        } else if (arg == QLatin1String("--cannot-quit")) {
            settings.canQuit = false;
        } else if (arg == QLatin1String("--properties-later")) {
            settings.propertiesLater = true;
        } else if (arg == QLatin1String("--properties-after")) {
            settings.propertiesAfterMs = value.toInt();
            ++i;
        } else if (arg == QLatin1String("--clear-on-stop")) {
            settings.clearOnStop = true;
        } else if (arg == QLatin1String("--track")) {
            settings.track = value;
            ++i;
        } else if (arg == QLatin1String("--vanish-on")) {
            settings.vanishing << value;
            ++i;
        } else if (arg == QLatin1String("--exit-on")) {
            settings.exiting << value;
            ++i;
        } else if (arg == QLatin1String("--appear-when")) {
            settings.appearWhen = value;
            ++i;
        } else {
            std::fprintf(stderr, "fake-mpris-player: unknown option %s\n", qPrintable(arg));
            return 2;
        }
    }
    if (settings.names.isEmpty()) {
        settings.names << QStringLiteral("fake");
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "fake-mpris-player: no session bus\n");
        return 1;
    }
    const bool audacious = settings.audacious;
    const QString appearWhen = settings.appearWhen;
    FakePlayer player(bus, settings);
    bus.registerVirtualObject(rootPath, &player);
    if (audacious) {
        bus.registerVirtualObject(QStringLiteral("/org/atheme/audacious"), &player);
    }
    auto appear = [&] {
        if (!player.takeNames()) {
            std::fprintf(stderr, "fake-mpris-player: cannot take the names\n");
            return false;
        }
        say(QStringLiteral("ready ") + bus.baseService());
        return true;
    };
    QTimer appearance;
    if (appearWhen.isEmpty()) {
        if (!appear()) {
            return 1;
        }
    } else {
        say(QStringLiteral("waiting ") + bus.baseService());
        QObject::connect(&appearance, &QTimer::timeout, &app, [&] {
            if (QFileInfo::exists(appearWhen)) {
                appearance.stop();
                if (!appear()) {
                    QCoreApplication::exit(1);
                }
            }
        });
        appearance.start(5);
    }

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[1024];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
            player.command(QString::fromUtf8(pending.left(end)));
            pending.remove(0, end + 1);
        }
    });
    return app.exec();
}
