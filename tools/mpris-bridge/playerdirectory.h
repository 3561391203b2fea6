#pragma once

// The MPRIS players on the session bus, one record per D-Bus connection, kept current from
// the bus's own signals.

#include "bridgerules.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>

namespace ostrane::bridge {

inline const QString mprisPath = QStringLiteral("/org/mpris/MediaPlayer2");
inline const QString mprisRoot = QStringLiteral("org.mpris.MediaPlayer2");
inline const QString mprisPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
inline const QString audaciousName = QStringLiteral("org.atheme.audacious");
inline const QString audaciousPath = QStringLiteral("/org/atheme/audacious");

// What identifies the track a Metadata value describes (its URL and id); empty for none.
QString trackOf(const QVariant& metadata);

struct PlayerRecord {
    QString connection;     // the unique name, e.g. ":1.42"
    QStringList names;      // player names without the org.mpris.MediaPlayer2. prefix
    bool audacious = false; // the connection also owns org.atheme.audacious
    std::uint64_t lastActive = 0;
    PlaybackStatus status = PlaybackStatus::stopped;
    bool canControl = true;
    bool canQuit = false;
    bool hasOpenUri = true;
    std::uint64_t process = 0; // the owning process, 0 when the bus would not tell
    QString track;             // what identifies the loaded track; empty when the player holds none
    int answersAwaited = 0;    // property and introspection replies still to come
    bool known() const { return answersAwaited == 0; }
};

class PlayerDirectory : public QObject {
    Q_OBJECT
public:
    explicit PlayerDirectory(QDBusConnection bus, QObject* parent = nullptr);

    // Lists the players already on the bus; `done` runs once each is known, or after `bound`.
    void start(std::function<void()> done, int boundMs);

    // Players with an MPRIS name whose properties have arrived.
    std::vector<const PlayerRecord*> knownPlayers() const;
    const PlayerRecord* find(const QString& connection) const;

signals:
    // A player came, went or changed in a way that may change the choice.
    void changed();
    // Every MPRIS name of this connection is gone.
    void vanished(const QString& connection);

private slots:
    void onNameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void onPropertiesChanged(const QDBusMessage& message);

private:
    void addName(const QString& busName, const QString& owner, bool appearing);
    void removeName(const QString& busName, const QString& owner);
    void fetch(PlayerRecord& player);
    void answered(const QString& connection);
    void finishStart();
    void applyProperties(PlayerRecord& player, const QVariantMap& properties, bool bumps);

    QDBusConnection bus_;
    std::map<QString, PlayerRecord> players_; // by connection
    std::uint64_t clock_ = 0;
    std::function<void()> startDone_;
};

} // namespace ostrane::bridge
