#include "bridge.h"

#include "conversationserver.h"
#include "core/servicename.h"

namespace ostrane::bridge {

namespace {

using server::printable;

// A reply never arrives later than this; the answer has long gone by then.
constexpr auto callTimeout = std::chrono::milliseconds(5000);
// How long a launched player gets for each way of ending it.
constexpr auto endBound = std::chrono::milliseconds(600);

constexpr std::string_view noReply = "org.freedesktop.DBus.Error.NoReply";

} // namespace

struct Bridge::Operation {
    unsigned long number = 0;
    std::string what; // "SERVICE|TOPIC", printable
    TopicKind kind = TopicKind::invalid;
    std::string song;
    std::string connection;
    std::string playerName;
    std::string action; // "Play", "OpenUri file:///..."
    std::optional<std::string> loaded;
    int repliesAwaited = 0;
    std::optional<std::string> failure;
    server::PollLoop::Id deadline = 0;
    bool finished = false;
};

Bridge::Bridge(SessionBus& bus, BridgeOptions options, Output output)
    : bus_(bus), options_(std::move(options)), output_(std::move(output)),
      directory_(bus, PlayerDirectory::Events{
                          .changed = [this] { chooseTarget(); },
                          .vanished = [this](const std::string& c) { vanished(c); },
                      }) {}

Bridge::~Bridge() {
    launched_.end(
        [this] {
            for (const PlayerRecord* player : directory_.knownPlayers()) {
                if (launched_.owns(player->process) && player->canQuit) {
                    bus_.call(
                        player->connection.c_str(), mprisPath, mprisRoot, "Quit", nullptr,
                        [](sd_bus_message*, const sd_bus_error*) {}, endBound);
                }
            }
            bus_.flush();
        },
        endBound);
}

void Bridge::start(std::function<void()> ready) {
    directory_.start(
        [this, ready = std::move(ready)] {
            started_ = true;
            ready();
            chooseTarget(); // "ready" is the first line, then the player
            if (!target_ && options_.launch && !directory_.anyAppearing()) {
                // Started now, the player is there by the first command, not 800 ms late.
                launchPlayer();
            }
        },
        answerTimeLimit);
}

void Bridge::vanished(const std::string& connection) {
    for (const OperationPtr& op : std::list(active_)) {
        if (op->connection != connection) {
            continue;
        }
        if (op->kind == TopicKind::quit && op->repliesAwaited > 0) {
            accept(op); // gone while asked to quit: it did what was asked
        } else {
            refuse(op, "player gone");
        }
    }
    queues_.erase(connection);
}

void Bridge::chooseTarget() {
    if (!started_) {
        return; // "ready" comes first, then the player chosen among all that answered
    }
    std::vector<PlayerCandidate> candidates;
    const auto players = directory_.knownPlayers();
    for (const PlayerRecord* player : players) {
        candidates.push_back(PlayerCandidate{.names = player->names,
                                             .lastActive = player->lastActive,
                                             .status = player->status,
                                             .canControl = player->canControl,
                                             .process = player->process});
    }
    std::optional<Target> now;
    if (const auto choice = choosePlayer(candidates, options_.players)) {
        now = Target{players[choice->candidate]->connection, choice->name};
    }
    if (now != target_) {
        if (now || announced_) {
            output_.event("player " + (now ? printable(now->name) : std::string("none")));
            announced_ = true;
        }
        target_ = now;
    }
    if (target_) {
        auto waiting = std::move(awaitingPlayer_);
        awaitingPlayer_.clear();
        for (const OperationPtr& op : waiting) {
            if (!op->finished) {
                enqueue(op, *target_);
            }
        }
    }
}

void Bridge::converse(unsigned long number, const std::string& service, const std::string& topic) {
    auto op = std::make_shared<Operation>();
    op->number = number;
    op->what = server::printableConversation(service, topic);
    op->kind = classifyTopic(topic);
    active_.push_back(op);
    if (!core::sameServiceName(service, options_.service)) {
        refuse(op, "another service");
    } else if (op->kind == TopicKind::invalid) {
        refuse(op, "unknown topic");
    } else if (op->kind == TopicKind::song && !isReadableRegularFile(topic)) {
        refuse(op, "not a readable file");
    } else {
        op->song = op->kind == TopicKind::song ? topic : std::string();
        op->deadline = bus_.loop().at(server::PollLoop::Clock::now() + answerTimeLimit, [this, op] {
            op->deadline = 0;
            if (!op->finished) {
                refuse(op, op->connection.empty() ? "no player" : "timed out");
            }
        });
        if (target_) {
            enqueue(op, *target_);
        } else if (directory_.anyAppearing()) {
            awaitingPlayer_.push_back(op); // its properties are on their way
        } else if (options_.launch) {
            awaitingPlayer_.push_back(op);
            launchPlayer();
        } else {
            refuse(op, "no player");
        }
    }
}

void Bridge::enqueue(const OperationPtr& op, const Target& target) {
    op->connection = target.connection;
    op->playerName = target.name;
    queues_[target.connection].waiting.push_back(op);
    pump(target.connection);
}

void Bridge::pump(const std::string& connection) {
    const auto queue = queues_.find(connection);
    if (queue == queues_.end()) {
        return;
    }
    while (!queue->second.blocked && !queue->second.waiting.empty()) {
        const OperationPtr op = queue->second.waiting.front();
        queue->second.waiting.pop_front();
        if (op->finished) {
            continue;
        }
        const PlayerRecord* player = directory_.find(connection);
        if (player == nullptr) {
            refuse(op, "player gone");
            continue;
        }
        begin(op, queue->second, *player);
    }
}

// Calls to one player leave in arrival order and are not held back by earlier replies,
// except a PLAY that first asks whether the player still holds a track.
void Bridge::begin(const OperationPtr& op, Queue& queue, const PlayerRecord& player) {
    switch (op->kind) {
    case TopicKind::stop:
        op->action = "Stop";
        call(op, mprisPath, mprisPlayer, "Stop");
        break;
    case TopicKind::pause:
        op->action = "Pause";
        call(op, mprisPath, mprisPlayer, "Pause");
        break;
    case TopicKind::quit:
        if (player.canQuit) {
            op->action = "Quit";
            call(op, mprisPath, mprisRoot, "Quit");
            break;
        }
        // A player may take its name before it can answer for its properties, and CanQuit
        // is then unknown, not false: ask again before refusing.
        askThenContinue(op, queue, mprisRoot, "CanQuit",
                        [this](const OperationPtr& op, const PlayerRecord&, sd_bus_message* value) {
                            int canQuit = 0;
                            if (value == nullptr ||
                                sd_bus_message_read(value, "v", "b", &canQuit) < 0 || !canQuit) {
                                refuse(op, "the player cannot quit");
                                return;
                            }
                            op->action = "Quit";
                            call(op, mprisPath, mprisRoot, "Quit");
                        });
        break;
    case TopicKind::song:
        if (load(op, player, op->song)) {
            call(op, mprisPath, mprisPlayer, "Play");
        }
        break;
    case TopicKind::play:
        if (!lastSong_ || !isReadableRegularFile(*lastSong_)) {
            op->action = "Play";
            call(op, mprisPath, mprisPlayer, "Play");
            break;
        }
        askThenContinue(
            op, queue, mprisPlayer, "Metadata",
            [this](const OperationPtr& op, const PlayerRecord& player, sd_bus_message* value) {
                const auto track = value != nullptr ? readTrack(value) : std::nullopt;
                // Unreadable metadata: assume the track is still there.
                if (!track || !track->empty()) {
                    op->action = "Play";
                } else if (!load(op, player, *lastSong_)) {
                    return;
                }
                call(op, mprisPath, mprisPlayer, "Play");
            });
        break;
    case TopicKind::invalid:
        refuse(op, "unknown topic");
        break;
    }
}

// Reads one property of the player, holding back the player's later operations until `then`
// has made this one's calls; `then` gets no value when the player could not tell.
void Bridge::askThenContinue(const OperationPtr& op, Queue& queue, const char* interface,
                             const char* property, Continuation then) {
    queue.blocked = true;
    const std::string connection = op->connection;
    bus_.call(
        connection.c_str(), mprisPath, propertiesInterface, "Get",
        [interface, property](sd_bus_message* m) {
            return sd_bus_message_append(m, "ss", interface, property);
        },
        [this, op, connection, then = std::move(then)](sd_bus_message* reply, const sd_bus_error*) {
            const auto q = queues_.find(connection);
            if (q == queues_.end()) {
                return; // the player is gone, and its operations with it
            }
            q->second.blocked = false;
            const PlayerRecord* player = directory_.find(connection);
            if (!op->finished && player != nullptr) {
                then(op, *player, reply);
            }
            pump(connection);
        },
        callTimeout);
}

bool Bridge::load(const OperationPtr& op, const PlayerRecord& player, const std::string& song) {
    const std::string uri = fileUriFor(song);
    op->loaded = song;
    if (player.hasOpenUri) {
        op->action = "OpenUri " + uri;
        call(op, mprisPath, mprisPlayer, "OpenUri",
             [uri](sd_bus_message* m) { return sd_bus_message_append(m, "s", uri.c_str()); });
    } else if (player.audacious) {
        op->action = "OpenList " + uri;
        call(op, audaciousPath, audaciousName, "OpenList",
             [uri](sd_bus_message* m) { return sd_bus_message_append(m, "as", 1, uri.c_str()); });
    } else {
        refuse(op, "the player cannot open files");
        return false;
    }
    return true;
}

void Bridge::call(const OperationPtr& op, const char* path, const char* interface,
                  const char* method, CallArguments arguments) {
    ++op->repliesAwaited;
    bus_.call(
        op->connection.c_str(), path, interface, method, arguments,
        [this, op](sd_bus_message*, const sd_bus_error* error) {
            --op->repliesAwaited;
            // Within the answer's time limit, well short of the call's own time-out, no
            // reply means the player left the bus without replying, which a player that
            // quits may well do.
            if (error != nullptr && !op->failure &&
                !(op->kind == TopicKind::quit && error->name != nullptr &&
                  error->name == noReply)) {
                op->failure = std::string(error->name != nullptr ? error->name : "error") + ": " +
                              (error->message != nullptr ? error->message : "");
            }
            if (op->repliesAwaited == 0) {
                conclude(op);
            }
        },
        callTimeout);
}

void Bridge::conclude(const OperationPtr& op) {
    if (op->finished) {
        return;
    }
    if (op->failure) {
        refuse(op, *op->failure);
    } else {
        accept(op);
    }
}

void Bridge::finish(const OperationPtr& op) {
    op->finished = true;
    active_.remove(op);
    if (op->deadline != 0) {
        bus_.loop().cancel(op->deadline);
        op->deadline = 0;
    }
}

void Bridge::accept(const OperationPtr& op) {
    finish(op);
    if (op->loaded) {
        lastSong_ = op->loaded;
    }
    output_.answer(op->number, true,
                   "open " + server::connectionTag(op->number) + " " + op->what + " -> " +
                       printable(op->playerName) + " " + printable(op->action));
}

void Bridge::refuse(const OperationPtr& op, const std::string& reason) {
    finish(op);
    output_.answer(op->number, false,
                   "refuse " + server::connectionTag(op->number) + " " + op->what + " (" +
                       printable(reason) + ")");
}

void Bridge::launchPlayer() {
    if (launched_.running()) {
        return; // started already and still running: its player may yet appear
    }
    output_.complain("no player: starting " + printable(*options_.launch));
    if (const std::string error = launched_.start(*options_.launch); !error.empty()) {
        output_.complain("cannot run the launch command: " + error);
    }
}

} // namespace ostrane::bridge
