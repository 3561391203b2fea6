#pragma once

// The MPRIS players on the session bus, one record per D-Bus connection, kept current from
// the bus's own signals. Of what players announce, only what the bridge uses is read; the
// rest of a Metadata value is skipped unread.

#include "bridgerules.h"
#include "sdbus.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ostrane::bridge {

inline constexpr const char* mprisPath = "/org/mpris/MediaPlayer2";
inline constexpr const char* mprisRoot = "org.mpris.MediaPlayer2";
inline constexpr const char* mprisPlayer = "org.mpris.MediaPlayer2.Player";
inline constexpr const char* audaciousName = "org.atheme.audacious";
inline constexpr const char* audaciousPath = "/org/atheme/audacious";
inline constexpr const char* propertiesInterface = "org.freedesktop.DBus.Properties";

// What identifies the track of the Metadata value (a{sv}) at the message's position: its URL
// and id; empty for none. Nothing when the value is not a Metadata map.
std::optional<std::string> readTrack(sd_bus_message* m);

// Whether introspection data offers the player interface's OpenUri.
bool offersOpenUri(std::string_view xml);

struct PlayerRecord {
    std::string connection;         // the unique name, e.g. ":1.42"
    std::vector<std::string> names; // player names without the org.mpris.MediaPlayer2. prefix
    bool audacious = false;         // the connection also owns org.atheme.audacious
    std::uint64_t lastActive = 0;
    PlaybackStatus status = PlaybackStatus::stopped;
    bool canControl = true;
    bool canQuit = false;
    bool hasOpenUri = true;
    std::uint64_t process = 0; // the owning process, 0 when the bus would not tell
    std::string track;         // what identifies the loaded track; empty when it holds none
    int answersAwaited = 0;    // property and introspection replies still to come
    bool known() const { return answersAwaited == 0; }
};

class PlayerDirectory {
public:
    struct Events {
        std::function<void()> changed;                               // the choice may change
        std::function<void(const std::string& connection)> vanished; // its names are all gone
    };

    PlayerDirectory(SessionBus& bus, Events events);

    // Lists the players already on the bus; `done` runs once each is known, or after `bound`.
    void start(std::function<void()> done, std::chrono::milliseconds bound);

    // Players with an MPRIS name whose properties have arrived.
    std::vector<const PlayerRecord*> knownPlayers() const;
    // Whether a player has taken its name but its properties are still on their way.
    bool anyAppearing() const;
    const PlayerRecord* find(const std::string& connection) const;

private:
    void onNameOwnerChanged(sd_bus_message* m);
    void onPropertiesChanged(sd_bus_message* m);
    void addName(const std::string& busName, const std::string& owner, bool appearing);
    void removeName(const std::string& busName, const std::string& owner);
    void fetch(PlayerRecord& player);
    void answered(const std::string& connection);
    void finishStart();
    void applyProperties(PlayerRecord& player, sd_bus_message* m, bool bumps);

    SessionBus& bus_;
    Events events_;
    std::map<std::string, PlayerRecord> players_; // by connection
    std::uint64_t clock_ = 0;
    int namesAwaited_ = 0; // owners of names listed at the start, still to come
    std::function<void()> startDone_;
};

} // namespace ostrane::bridge
