#pragma once

// The bridge's rules, in plain C++: what a topic asks for, how a song's path becomes a URI,
// and which MPRIS player a conversation goes to.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane::bridge {

enum class TopicKind { stop, play, pause, quit, song, invalid };

// STOP, PLAY, PAUSE and QUIT in any ASCII case (topics match like service names); a topic
// beginning with '/' is a song; anything else, the empty topic included, is invalid.
TopicKind classifyTopic(std::string_view topic);

// "file://" and the path's bytes, each percent-encoded except '/' and the unreserved
// characters (letters, digits, '-', '.', '_', '~'), so any byte sequence survives.
std::string fileUriFor(std::string_view path);

// Whether `path` names a regular file (links followed) that this user may read; a path
// holding NUL names nothing.
bool isReadableRegularFile(const std::string& path);

// The part of a bus name after "org.mpris.MediaPlayer2.", nothing for any other name.
std::optional<std::string> playerNameOf(std::string_view busName);

// NAME matches NAME itself and NAME.anything ("vlc" matches "vlc.instance42").
bool playerNameMatches(std::string_view pattern, std::string_view name);

// "%any" in a priority list stands for every player no other entry names.
inline constexpr std::string_view anyPlayer = "%any";

enum class PlaybackStatus { stopped, paused, playing };
PlaybackStatus playbackStatusFrom(std::string_view text);

// One D-Bus connection, with every MPRIS name it owns.
struct PlayerCandidate {
    std::vector<std::string> names; // player names, without the org.mpris.MediaPlayer2. prefix
    std::uint64_t lastActive = 0;   // larger is more recent
    PlaybackStatus status = PlaybackStatus::stopped;
    bool canControl = true;
    // The process that owns the connection, 0 when unknown. One process may serve a player
    // on two connections, each with a name of its own; they are one player.
    std::uint64_t process = 0;
};

struct PlayerPreferences {
    std::vector<std::string> priority; // empty: every player alike
    std::vector<std::string> ignored;
};

// The rank of a name under the priority list: the index of the first entry that names it,
// the index of "%any" for the others, nothing when the list leaves it out. Without a list
// every name ranks 0.
std::optional<std::size_t> priorityOf(std::string_view name, const PlayerPreferences& prefs);

struct PlayerChoice {
    std::size_t candidate; // index into the candidates
    std::string name;      // the name it is addressed by
};

// The player to drive: skipped are players that cannot be controlled, that own an ignored
// name, or that the priority list leaves out. The best priority wins, then the most recently
// active, then Playing before Paused before the rest, then the smallest name. A player is
// addressed by its best-ranked name, the shortest (then smallest) among equals.
std::optional<PlayerChoice> choosePlayer(const std::vector<PlayerCandidate>& candidates,
                                         const PlayerPreferences& prefs);

// "a,b,,c" -> {"a", "b", "c"}.
std::vector<std::string> splitNameList(std::string_view list);

} // namespace ostrane::bridge
