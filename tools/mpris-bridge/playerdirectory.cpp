#include "playerdirectory.h"

#include <algorithm>

namespace ostrane::bridge {

namespace {

constexpr auto propertyTimeout = std::chrono::milliseconds(2000);
constexpr const char* busName = "org.freedesktop.DBus";
constexpr const char* busPath = "/org/freedesktop/DBus";
constexpr std::string_view noTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

bool isPlayerBusName(std::string_view name) {
    return playerNameOf(name).has_value() || name == audaciousName;
}

// Runs `read` inside the variant at the message's position when it holds `contents`; skips
// the variant unread otherwise.
template <typename Read> bool inVariant(sd_bus_message* m, const char* contents, Read read) {
    const char* held = nullptr;
    char type = 0;
    if (sd_bus_message_peek_type(m, &type, &held) <= 0 || type != SD_BUS_TYPE_VARIANT ||
        held == nullptr || (contents != nullptr && std::string_view(held) != contents)) {
        sd_bus_message_skip(m, "v");
        return false;
    }
    if (sd_bus_message_enter_container(m, SD_BUS_TYPE_VARIANT, held) <= 0) {
        return false;
    }
    const bool ok = read();
    return sd_bus_message_exit_container(m) >= 0 && ok;
}

bool readBool(sd_bus_message* m, bool& out) {
    return inVariant(m, "b", [&] {
        int value = 0;
        if (sd_bus_message_read(m, "b", &value) < 0) {
            return false;
        }
        out = value != 0;
        return true;
    });
}

// Calls `entry(key)` for each entry of the a{sv} at the message's position; `entry` reads or
// skips the entry's variant.
template <typename Entry> bool forEachEntry(sd_bus_message* m, Entry entry) {
    if (sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{sv}") <= 0) {
        return false;
    }
    int r = 0;
    while ((r = sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "sv")) > 0) {
        const char* key = nullptr;
        if (sd_bus_message_read(m, "s", &key) < 0) {
            return false;
        }
        entry(std::string_view(key));
        if (sd_bus_message_exit_container(m) < 0) {
            return false;
        }
    }
    return r == 0 && sd_bus_message_exit_container(m) >= 0;
}

} // namespace

std::optional<std::string> readTrack(sd_bus_message* m) {
    std::string url;
    std::string id;
    std::size_t entries = 0;
    const bool read = inVariant(m, "a{sv}", [&] {
        return forEachEntry(m, [&](std::string_view key) {
            ++entries;
            if (key == "xesam:url") {
                inVariant(m, "s", [&] { return readText(m, url); });
            } else if (key == "mpris:trackid") {
                inVariant(m, nullptr, [&] { return readText(m, id); });
            } else {
                sd_bus_message_skip(m, "v"); // artwork, lyrics and the like stay unread
            }
        });
    });
    if (!read) {
        return std::nullopt;
    }
    // A bare id (mpv's "/noplaylist" when idle) or the standard "no track" id is no track.
    if (url.empty() && (id.empty() || id == noTrack || entries == 1)) {
        return std::string();
    }
    return url + '\n' + id;
}

bool offersOpenUri(std::string_view xml) {
    std::string text(xml);
    std::replace(text.begin(), text.end(), '\'', '"');
    const std::string opening = std::string("<interface name=\"") + mprisPlayer + "\"";
    const auto start = text.find(opening);
    if (start == std::string::npos) {
        return false;
    }
    const auto end = text.find("</interface>", start);
    const auto method = text.find("<method name=\"OpenUri\"", start);
    return method != std::string::npos && (end == std::string::npos || method < end);
}

PlayerDirectory::PlayerDirectory(SessionBus& bus, Events events)
    : bus_(bus), events_(std::move(events)) {
    const std::string owners = std::string("type='signal',sender='") + busName + "',interface='" +
                               busName + "',member='NameOwnerChanged',";
    auto onOwner = [this](sd_bus_message* m) { onNameOwnerChanged(m); };
    bus_.subscribe(owners + "arg0namespace='" + mprisRoot + "'", onOwner);
    bus_.subscribe(owners + "arg0='" + audaciousName + "'", onOwner);
    bus_.subscribe(std::string("type='signal',interface='") + propertiesInterface +
                       "',member='PropertiesChanged',path='" + mprisPath + "'",
                   [this](sd_bus_message* m) { onPropertiesChanged(m); });
}

void PlayerDirectory::start(std::function<void()> done, std::chrono::milliseconds bound) {
    startDone_ = std::move(done);
    namesAwaited_ = 1; // the list itself
    bus_.call(
        busName, busPath, busName, "ListNames", nullptr,
        [this](sd_bus_message* reply, const sd_bus_error*) {
            if (reply != nullptr &&
                sd_bus_message_enter_container(reply, SD_BUS_TYPE_ARRAY, "s") > 0) {
                const char* name = nullptr;
                while (sd_bus_message_read(reply, "s", &name) > 0) {
                    if (!isPlayerBusName(name)) {
                        continue;
                    }
                    ++namesAwaited_;
                    const std::string listed = name;
                    bus_.call(
                        busName, busPath, busName, "GetNameOwner",
                        [listed](sd_bus_message* call) {
                            return sd_bus_message_append(call, "s", listed.c_str());
                        },
                        [this, listed](sd_bus_message* owner, const sd_bus_error*) {
                            std::string unique;
                            if (owner != nullptr && readText(owner, unique)) {
                                addName(listed, unique, false);
                            }
                            --namesAwaited_;
                            answered({});
                        },
                        propertyTimeout);
                }
            }
            --namesAwaited_;
            answered({});
        },
        propertyTimeout);
    // Players that never answer do not hold up serving for longer than the bound.
    bus_.loop().at(server::PollLoop::Clock::now() + bound, [this] { finishStart(); });
}

std::vector<const PlayerRecord*> PlayerDirectory::knownPlayers() const {
    std::vector<const PlayerRecord*> known;
    for (const auto& [connection, player] : players_) {
        if (player.known() && !player.names.empty()) {
            known.push_back(&player);
        }
    }
    return known;
}

bool PlayerDirectory::anyAppearing() const {
    return std::any_of(players_.begin(), players_.end(), [](const auto& entry) {
        return !entry.second.known() && !entry.second.names.empty();
    });
}

const PlayerRecord* PlayerDirectory::find(const std::string& connection) const {
    const auto it = players_.find(connection);
    return it == players_.end() ? nullptr : &it->second;
}

void PlayerDirectory::onNameOwnerChanged(sd_bus_message* m) {
    const char* name = nullptr;
    const char* oldOwner = nullptr;
    const char* newOwner = nullptr;
    if (sd_bus_message_read(m, "sss", &name, &oldOwner, &newOwner) < 0 || !isPlayerBusName(name)) {
        return;
    }
    if (*oldOwner != '\0') {
        removeName(name, oldOwner);
    }
    if (*newOwner != '\0') {
        addName(name, newOwner, true);
    }
}

void PlayerDirectory::addName(const std::string& name, const std::string& owner, bool appearing) {
    PlayerRecord& player = players_[owner];
    player.connection = owner;
    if (appearing) {
        player.lastActive = ++clock_;
    }
    if (name == audaciousName) {
        player.audacious = true;
    } else {
        const std::string playerName = *playerNameOf(name);
        if (std::find(player.names.begin(), player.names.end(), playerName) == player.names.end()) {
            player.names.push_back(playerName);
        }
        if (player.names.size() == 1) {
            fetch(player);
        }
    }
    if (player.known()) {
        events_.changed();
    }
}

void PlayerDirectory::removeName(const std::string& name, const std::string& owner) {
    const auto it = players_.find(owner);
    if (it == players_.end()) {
        return;
    }
    PlayerRecord& player = it->second;
    if (name == audaciousName) {
        player.audacious = false;
    } else {
        std::erase(player.names, *playerNameOf(name));
    }
    if (player.names.empty()) {
        const bool wasPlayer = player.known();
        if (!player.audacious) {
            players_.erase(it);
        }
        if (wasPlayer) {
            events_.vanished(owner);
        }
    }
    events_.changed();
}

void PlayerDirectory::fetch(PlayerRecord& player) {
    const std::string connection = player.connection;
    player.answersAwaited = 4;
    auto ask = [&](const char* destination, const char* path, const char* interface,
                   const char* member, Arguments arguments, auto onReply) {
        bus_.call(
            destination, path, interface, member, arguments,
            [this, connection, onReply](sd_bus_message* reply, const sd_bus_error*) {
                const auto it = players_.find(connection);
                if (it == players_.end()) {
                    return;
                }
                if (reply != nullptr) {
                    onReply(it->second, reply);
                }
                answered(connection);
            },
            propertyTimeout);
    };
    auto getAll = [](const char* interface) {
        return [interface](sd_bus_message* call) {
            return sd_bus_message_append(call, "s", interface);
        };
    };
    ask(
        busName, busPath, busName, "GetConnectionUnixProcessID",
        [connection](sd_bus_message* call) {
            return sd_bus_message_append(call, "s", connection.c_str());
        },
        [](PlayerRecord& p, sd_bus_message* reply) {
            std::uint32_t pid = 0;
            if (sd_bus_message_read(reply, "u", &pid) > 0) {
                p.process = pid;
            }
        });
    auto apply = [this](PlayerRecord& p, sd_bus_message* reply) {
        applyProperties(p, reply, false);
    };
    ask(connection.c_str(), mprisPath, propertiesInterface, "GetAll", getAll(mprisRoot), apply);
    ask(connection.c_str(), mprisPath, propertiesInterface, "GetAll", getAll(mprisPlayer), apply);
    ask(connection.c_str(), mprisPath, "org.freedesktop.DBus.Introspectable", "Introspect", nullptr,
        [](PlayerRecord& p, sd_bus_message* reply) {
            std::string xml;
            if (readText(reply, xml)) {
                p.hasOpenUri = offersOpenUri(xml);
            }
        });
}

void PlayerDirectory::answered(const std::string& connection) {
    const auto it = players_.find(connection);
    if (it != players_.end() && it->second.answersAwaited > 0 && --it->second.answersAwaited == 0) {
        events_.changed();
    }
    const bool waiting =
        namesAwaited_ > 0 || std::any_of(players_.begin(), players_.end(),
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

void PlayerDirectory::onPropertiesChanged(sd_bus_message* m) {
    const char* sender = sd_bus_message_get_sender(m);
    const auto it = sender == nullptr ? players_.end() : players_.find(sender);
    const char* interface = nullptr;
    if (it == players_.end() || sd_bus_message_read(m, "s", &interface) < 0 ||
        (std::string_view(interface) != mprisRoot && std::string_view(interface) != mprisPlayer)) {
        return;
    }
    applyProperties(it->second, m, true);
    if (it->second.known()) {
        events_.changed();
    }
}

void PlayerDirectory::applyProperties(PlayerRecord& player, sd_bus_message* m, bool bumps) {
    bool active = false;
    forEachEntry(m, [&](std::string_view key) {
        if (key == "PlaybackStatus") {
            std::string text;
            if (inVariant(m, "s", [&] { return readText(m, text); })) {
                const PlaybackStatus now = playbackStatusFrom(text);
                active = active || now != player.status;
                player.status = now;
            }
        } else if (key == "Metadata") {
            if (auto track = readTrack(m)) {
                active = active || *track != player.track;
                player.track = std::move(*track);
            }
        } else if (key == "CanControl") {
            readBool(m, player.canControl);
        } else if (key == "CanQuit") {
            readBool(m, player.canQuit);
        } else {
            sd_bus_message_skip(m, "v");
        }
    });
    if (bumps && active) {
        player.lastActive = ++clock_;
    }
}

} // namespace ostrane::bridge
