#include "bridgerules.h"

#include <algorithm>
#include <map>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace ostrane::bridge {

namespace {

constexpr std::string_view mprisPrefix = "org.mpris.MediaPlayer2.";

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        return lower(x) == lower(y);
    });
}

bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

} // namespace

TopicKind classifyTopic(std::string_view topic) {
    if (!topic.empty() && topic.front() == '/') {
        return TopicKind::song;
    }
    if (equalsIgnoringAsciiCase(topic, "STOP")) {
        return TopicKind::stop;
    }
    if (equalsIgnoringAsciiCase(topic, "PLAY")) {
        return TopicKind::play;
    }
    if (equalsIgnoringAsciiCase(topic, "PAUSE")) {
        return TopicKind::pause;
    }
    if (equalsIgnoringAsciiCase(topic, "QUIT")) {
        return TopicKind::quit;
    }
    return TopicKind::invalid;
}

std::string fileUriFor(std::string_view path) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    uri.reserve(uri.size() + path.size() * 3);
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '/' || isUnreserved(byte)) {
            uri.push_back(c);
        } else {
            uri.push_back('%');
            uri.push_back(hex[byte >> 4]);
            uri.push_back(hex[byte & 0x0f]);
        }
    }
    return uri;
}

bool isReadableRegularFile(const std::string& path) {
    struct stat info {};
    return path.find('\0') == std::string::npos && ::stat(path.c_str(), &info) == 0 &&
           S_ISREG(info.st_mode) && ::access(path.c_str(), R_OK) == 0;
}

std::optional<std::string> playerNameOf(std::string_view busName) {
    if (busName.size() <= mprisPrefix.size() || !busName.starts_with(mprisPrefix)) {
        return std::nullopt;
    }
    return std::string(busName.substr(mprisPrefix.size()));
}

bool playerNameMatches(std::string_view pattern, std::string_view name) {
    if (pattern.empty() || !name.starts_with(pattern)) {
        return false;
    }
    return name.size() == pattern.size() || name[pattern.size()] == '.';
}

PlaybackStatus playbackStatusFrom(std::string_view text) {
    if (text == "Playing") {
        return PlaybackStatus::playing;
    }
    if (text == "Paused") {
        return PlaybackStatus::paused;
    }
    return PlaybackStatus::stopped;
}

std::optional<std::size_t> priorityOf(std::string_view name, const PlayerPreferences& prefs) {
    if (prefs.priority.empty()) {
        return 0;
    }
    std::optional<std::size_t> any;
    for (std::size_t i = 0; i < prefs.priority.size(); ++i) {
        if (prefs.priority[i] == anyPlayer) {
            any = any.value_or(i);
        } else if (playerNameMatches(prefs.priority[i], name)) {
            return i;
        }
    }
    return any;
}

std::optional<PlayerChoice> choosePlayer(const std::vector<PlayerCandidate>& candidates,
                                         const PlayerPreferences& prefs) {
    struct Ranked {
        std::size_t priority;
        std::uint64_t lastActive;
        PlaybackStatus status;
        std::string name;
        std::size_t index;
    };
    std::optional<Ranked> best;
    auto better = [](const Ranked& a, const Ranked& b) {
        if (a.priority != b.priority) {
            return a.priority < b.priority;
        }
        if (a.lastActive != b.lastActive) {
            return a.lastActive > b.lastActive;
        }
        if (a.status != b.status) {
            return a.status > b.status;
        }
        return a.name < b.name;
    };
    // The connections of one process share its activity, so the choice among them goes by
    // name and stays put while that player is the most recently active.
    std::map<std::uint64_t, std::pair<std::uint64_t, PlaybackStatus>> byProcess;
    for (const PlayerCandidate& c : candidates) {
        if (c.process != 0) {
            auto [entry, added] = byProcess.try_emplace(c.process, c.lastActive, c.status);
            entry->second.first = std::max(entry->second.first, c.lastActive);
            entry->second.second = std::max(entry->second.second, c.status);
        }
    }
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const PlayerCandidate& c = candidates[i];
        const auto [lastActive, status] =
            c.process != 0 ? byProcess.at(c.process) : std::pair(c.lastActive, c.status);
        const bool ignored = std::any_of(c.names.begin(), c.names.end(), [&](const auto& name) {
            return std::any_of(
                prefs.ignored.begin(), prefs.ignored.end(),
                [&](const auto& pattern) { return playerNameMatches(pattern, name); });
        });
        if (!c.canControl || ignored) {
            continue;
        }
        std::optional<std::pair<std::size_t, std::string>> address;
        for (const auto& name : c.names) {
            const auto rank = priorityOf(name, prefs);
            if (!rank) {
                continue;
            }
            if (!address ||
                std::tuple(*rank, name.size(), name) <
                    std::tuple(address->first, address->second.size(), address->second)) {
                address = std::pair(*rank, name);
            }
        }
        if (!address) {
            continue;
        }
        Ranked ranked{address->first, lastActive, status, address->second, i};
        if (!best || better(ranked, *best)) {
            best = std::move(ranked);
        }
    }
    if (!best) {
        return std::nullopt;
    }
    return PlayerChoice{best->index, best->name};
}

std::vector<std::string> splitNameList(std::string_view list) {
    std::vector<std::string> names;
    while (!list.empty()) {
        const auto comma = list.find(',');
        const auto part = list.substr(0, comma);
        if (!part.empty()) {
            names.emplace_back(part);
        }
        if (comma == std::string_view::npos) {
            break;
        }
        list.remove_prefix(comma + 1);
    }
    return names;
}

} // namespace ostrane::bridge
