#include "playerdirectory.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QTimer>
#include <QXmlStreamReader>
#include <algorithm>

namespace ostrane::bridge {

namespace {

const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString noTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

QVariantMap mapFrom(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QDBusVariant>()) {
        return mapFrom(value.value<QDBusVariant>().variant());
    }
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    }
    return value.toMap();
}

} // namespace

QString trackOf(const QVariant& metadata) {
    const QVariantMap map = mapFrom(metadata);
    const QVariant id = map.value(QStringLiteral("mpris:trackid"));
    const QString path = id.metaType() == QMetaType::fromType<QDBusObjectPath>()
                             ? id.value<QDBusObjectPath>().path()
                             : id.toString();
    const QString url = map.value(QStringLiteral("xesam:url")).toString();
    // A bare id (mpv's "/noplaylist" when idle) or the standard "no track" id is no track.
    if (url.isEmpty() && (path.isEmpty() || path == noTrack || map.size() == 1)) {
        return {};
    }
    return url + QLatin1Char('\n') + path;
}

namespace {

// Whether the introspection data offers the player interface's OpenUri.
bool offersOpenUri(const QString& xml) {
    QXmlStreamReader reader(xml);
    bool inPlayer = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("interface")) {
            inPlayer = reader.attributes().value(QLatin1String("name")) == mprisPlayer;
        } else if (reader.isEndElement() && reader.name() == QLatin1String("interface")) {
            inPlayer = false;
        } else if (inPlayer && reader.isStartElement() &&
                   reader.name() == QLatin1String("method") &&
                   reader.attributes().value(QLatin1String("name")) == QLatin1String("OpenUri")) {
            return true;
        }
    }
    return false;
}

bool isPlayerName(const QString& busName) {
    return playerNameOf(busName.toStdString()).has_value();
}

} // namespace

PlayerDirectory::PlayerDirectory(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
    bus_.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                 QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"), this,
                 SLOT(onNameOwnerChanged(QString, QString, QString)));
    bus_.connect(QString(), mprisPath, propertiesInterface, QStringLiteral("PropertiesChanged"),
                 this, SLOT(onPropertiesChanged(QDBusMessage)));
}

void PlayerDirectory::start(std::function<void()> done, int boundMs) {
    startDone_ = std::move(done);
    const QStringList names = bus_.interface()->registeredServiceNames().value();
    for (const QString& name : names) {
        if (isPlayerName(name) || name == audaciousName) {
            const QString owner = bus_.interface()->serviceOwner(name).value();
            if (!owner.isEmpty()) {
                addName(name, owner, false);
            }
        }
    }
    QTimer::singleShot(boundMs, this, &PlayerDirectory::finishStart);
    answered(QString());
}

std::vector<const PlayerRecord*> PlayerDirectory::knownPlayers() const {
    std::vector<const PlayerRecord*> known;
    for (const auto& [connection, player] : players_) {
        if (player.known() && !player.names.isEmpty()) {
            known.push_back(&player);
        }
    }
    return known;
}

const PlayerRecord* PlayerDirectory::find(const QString& connection) const {
    const auto it = players_.find(connection);
    return it == players_.end() ? nullptr : &it->second;
}

void PlayerDirectory::onNameOwnerChanged(const QString& name, const QString& oldOwner,
                                         const QString& newOwner) {
    if (!isPlayerName(name) && name != audaciousName) {
        return;
    }
    if (!oldOwner.isEmpty()) {
        removeName(name, oldOwner);
    }
    if (!newOwner.isEmpty()) {
        addName(name, newOwner, true);
    }
}

void PlayerDirectory::addName(const QString& busName, const QString& owner, bool appearing) {
    PlayerRecord& player = players_[owner];
    player.connection = owner;
    if (appearing) {
        player.lastActive = ++clock_;
    }
    if (busName == audaciousName) {
        player.audacious = true;
    } else {
        const QString name = QString::fromStdString(*playerNameOf(busName.toStdString()));
        if (!player.names.contains(name)) {
            player.names.append(name);
        }
        if (player.names.size() == 1) {
            fetch(player);
        }
    }
    if (player.known()) {
        emit changed();
    }
}

void PlayerDirectory::removeName(const QString& busName, const QString& owner) {
    const auto it = players_.find(owner);
    if (it == players_.end()) {
        return;
    }
    PlayerRecord& player = it->second;
    if (busName == audaciousName) {
        player.audacious = false;
    } else {
        player.names.removeAll(QString::fromStdString(*playerNameOf(busName.toStdString())));
    }
    if (player.names.isEmpty()) {
        const bool wasPlayer = player.known();
        if (!player.audacious) {
            players_.erase(it);
        }
        if (wasPlayer) {
            emit vanished(owner);
        }
    }
    emit changed();
}

void PlayerDirectory::fetch(PlayerRecord& player) {
    const QString connection = player.connection;
    player.answersAwaited = 4;
    auto ask = [&](const QString& destination, const QString& path, const QString& interface,
                   const QString& method, const QVariantList& args, auto onReply) {
        QDBusMessage message = QDBusMessage::createMethodCall(destination, path, interface, method);
        message.setArguments(args);
        auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message, 2000), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, connection, onReply](QDBusPendingCallWatcher* w) {
                    w->deleteLater();
                    const auto it = players_.find(connection);
                    if (it == players_.end()) {
                        return;
                    }
                    if (!w->isError()) {
                        onReply(it->second, w->reply());
                    }
                    answered(connection);
                });
    };
    auto call = [&](const QString& path, const QString& interface, const QString& method,
                    const QVariantList& args,
                    auto onReply) { ask(connection, path, interface, method, args, onReply); };
    ask(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"),
        {connection}, [](PlayerRecord& p, const QDBusMessage& reply) {
            p.process = reply.arguments().value(0).toUInt();
        });
    call(mprisPath, propertiesInterface, QStringLiteral("GetAll"), {mprisRoot},
         [this](PlayerRecord& p, const QDBusMessage& reply) {
             applyProperties(p, mapFrom(reply.arguments().value(0)), false);
         });
    call(mprisPath, propertiesInterface, QStringLiteral("GetAll"), {mprisPlayer},
         [this](PlayerRecord& p, const QDBusMessage& reply) {
             applyProperties(p, mapFrom(reply.arguments().value(0)), false);
         });
    call(mprisPath, QStringLiteral("org.freedesktop.DBus.Introspectable"),
         QStringLiteral("Introspect"), {}, [](PlayerRecord& p, const QDBusMessage& reply) {
             p.hasOpenUri = offersOpenUri(reply.arguments().value(0).toString());
         });
}

void PlayerDirectory::answered(const QString& connection) {
    const auto it = players_.find(connection);
    if (it != players_.end() && it->second.answersAwaited > 0 && --it->second.answersAwaited == 0) {
        emit changed();
    }
    const bool waiting = std::any_of(players_.begin(), players_.end(),
                                     [](const auto& entry) { return !entry.second.known(); });
    if (!waiting) {
        finishStart();
    }
}

void PlayerDirectory::finishStart() {
    if (startDone_) {
        auto done = std::move(startDone_);
        startDone_ = nullptr;
        done();
    }
}

void PlayerDirectory::onPropertiesChanged(const QDBusMessage& message) {
    const auto it = players_.find(message.service());
    const QVariantList args = message.arguments();
    if (it == players_.end() || args.size() < 2) {
        return;
    }
    const QString interface = args[0].toString();
    if (interface != mprisRoot && interface != mprisPlayer) {
        return;
    }
    applyProperties(it->second, mapFrom(args[1]), true);
    if (it->second.known()) {
        emit changed();
    }
}

void PlayerDirectory::applyProperties(PlayerRecord& player, const QVariantMap& properties,
                                      bool bumps) {
    bool active = false;
    if (const auto status = properties.find(QStringLiteral("PlaybackStatus"));
        status != properties.end()) {
        const PlaybackStatus now = playbackStatusFrom(status->toString().toStdString());
        active = active || now != player.status;
        player.status = now;
    }
    if (const auto metadata = properties.find(QStringLiteral("Metadata"));
        metadata != properties.end()) {
        const QString track = trackOf(*metadata);
        active = active || track != player.track;
        player.track = track;
    }
    if (const auto canControl = properties.find(QStringLiteral("CanControl"));
        canControl != properties.end()) {
        player.canControl = canControl->toBool();
    }
    if (const auto canQuit = properties.find(QStringLiteral("CanQuit"));
        canQuit != properties.end()) {
        player.canQuit = canQuit->toBool();
    }
    if (bumps && active) {
        player.lastActive = ++clock_;
    }
}

} // namespace ostrane::bridge
