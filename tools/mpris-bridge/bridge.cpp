#include "bridge.h"

#include "conversationserver.h"
#include "core/servicename.h"

#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QTimer>
#include <csignal>
#include <unistd.h>

namespace ostrane::bridge {

namespace {

using ostrane::server::printable;

// A reply never arrives later than this; the answer has long gone by then.
constexpr int callTimeoutMs = 5000;

void complain(const std::string& message) {
    server::complain(programName, message);
}

std::string text(const QString& value) {
    return value.toStdString();
}

} // namespace

struct Bridge::Operation {
    unsigned long number = 0;
    std::string what; // "SERVICE|TOPIC", printable
    TopicKind kind = TopicKind::invalid;
    std::string song;
    Answer answer;
    QString connection;
    QString playerName;
    std::string action; // "Play", "OpenUri file:///..."
    std::optional<std::string> loaded;
    int repliesAwaited = 0;
    std::optional<std::string> failure;
    bool finished = false;
};

Bridge::Bridge(QDBusConnection bus, BridgeOptions options, Print print, QObject* parent)
    : QObject(parent), bus_(bus), options_(std::move(options)), print_(std::move(print)),
      directory_(bus) {
    connect(&directory_, &PlayerDirectory::changed, this, &Bridge::chooseTarget);
    connect(&directory_, &PlayerDirectory::vanished, this, [this](const QString& connection) {
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
    });
    auto* busCheck = new QTimer(this);
    connect(busCheck, &QTimer::timeout, this, &Bridge::checkBus);
    busCheck->start(250);
}

Bridge::~Bridge() {
    if (launched_ != nullptr && launched_->state() != QProcess::NotRunning) {
        // The launched command runs in a process group of its own: end all of it.
        ::kill(-static_cast<pid_t>(launched_->processId()), SIGTERM);
        if (!launched_->waitForFinished(2000)) {
            ::kill(-static_cast<pid_t>(launched_->processId()), SIGKILL);
            launched_->waitForFinished(1000);
        }
    }
}

void Bridge::start(std::function<void()> ready) {
    directory_.start(
        [this, ready = std::move(ready)] {
            started_ = true;
            ready();
            chooseTarget(); // "ready" is the first line, then the player
            if (!target_ && options_.launch) {
                // Started now, the player is there by the first command, not 800 ms late.
                launchPlayer();
            }
        },
        answerTimeLimitMs);
}

void Bridge::checkBus() {
    if (!busGone_ && !bus_.isConnected()) {
        busGone_ = true;
        emit busLost();
    }
}

void Bridge::chooseTarget() {
    if (!started_) {
        return; // "ready" comes first, then the player chosen among all that answered
    }
    std::vector<PlayerCandidate> candidates;
    const auto players = directory_.knownPlayers();
    for (const PlayerRecord* player : players) {
        PlayerCandidate candidate;
        for (const QString& name : player->names) {
            candidate.names.push_back(text(name));
        }
        candidate.lastActive = player->lastActive;
        candidate.status = player->status;
        candidate.canControl = player->canControl;
        candidate.process = player->process;
        candidates.push_back(std::move(candidate));
    }
    std::optional<Target> now;
    if (const auto choice = choosePlayer(candidates, options_.players)) {
        now = Target{players[choice->candidate]->connection, QString::fromStdString(choice->name)};
    }
    if (now != target_) {
        if (now || announced_) {
            print_("player " + (now ? printable(text(now->name)) : std::string("none")));
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

void Bridge::converse(unsigned long number, std::string service, std::string topic, Answer answer) {
    auto op = std::make_shared<Operation>();
    op->number = number;
    op->what = printable(service) + "|" + printable(topic);
    op->kind = classifyTopic(topic);
    op->answer = std::move(answer);
    active_.push_back(op);
    QTimer::singleShot(answerTimeLimitMs, this, [this, op] {
        if (!op->finished) {
            refuse(op, op->connection.isEmpty() ? "no player" : "timed out");
        }
    });
    if (!core::sameServiceName(service, options_.service)) {
        refuse(op, "another service");
    } else if (op->kind == TopicKind::invalid) {
        refuse(op, "unknown topic");
    } else if (op->kind == TopicKind::song && !isReadableRegularFile(topic)) {
        refuse(op, "not a readable file");
    } else {
        op->song = op->kind == TopicKind::song ? topic : std::string();
        if (target_) {
            enqueue(op, *target_);
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

void Bridge::pump(const QString& connection) {
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
        call(op, mprisPath, mprisPlayer, QStringLiteral("Stop"));
        break;
    case TopicKind::pause:
        op->action = "Pause";
        call(op, mprisPath, mprisPlayer, QStringLiteral("Pause"));
        break;
    case TopicKind::quit:
        if (player.canQuit) {
            op->action = "Quit";
            call(op, mprisPath, mprisRoot, QStringLiteral("Quit"));
            break;
        }
        // A player may take its name before it can answer for its properties, and CanQuit
        // is then unknown, not false: ask again before refusing.
        askThenContinue(op, queue, mprisRoot, QStringLiteral("CanQuit"),
                        [this](const OperationPtr& op, const PlayerRecord&,
                               const std::optional<QVariant>& canQuit) {
                            if (!canQuit || !canQuit->toBool()) {
                                refuse(op, "the player cannot quit");
                                return;
                            }
                            op->action = "Quit";
                            call(op, mprisPath, mprisRoot, QStringLiteral("Quit"));
                        });
        break;
    case TopicKind::song:
        if (load(op, player, op->song)) {
            call(op, mprisPath, mprisPlayer, QStringLiteral("Play"));
        }
        break;
    case TopicKind::play: {
        if (!lastSong_ || !isReadableRegularFile(*lastSong_)) {
            op->action = "Play";
            call(op, mprisPath, mprisPlayer, QStringLiteral("Play"));
            break;
        }
        askThenContinue(op, queue, mprisPlayer, QStringLiteral("Metadata"),
                        [this](const OperationPtr& op, const PlayerRecord& player,
                               const std::optional<QVariant>& metadata) {
                            // Unreadable metadata: assume the track is still there.
                            if (!metadata || !trackOf(*metadata).isEmpty()) {
                                op->action = "Play";
                            } else if (!load(op, player, *lastSong_)) {
                                return;
                            }
                            call(op, mprisPath, mprisPlayer, QStringLiteral("Play"));
                        });
        break;
    }
    case TopicKind::invalid:
        refuse(op, "unknown topic");
        break;
    }
}

// Reads one property of the player, holding back the player's later operations until `then`
// has made this one's calls; `then` gets no value when the player could not tell.
void Bridge::askThenContinue(const OperationPtr& op, Queue& queue, const QString& interface,
                             const QString& property, Continuation then) {
    queue.blocked = true;
    QDBusMessage get = QDBusMessage::createMethodCall(
        op->connection, mprisPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get.setArguments({interface, property});
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(get, callTimeoutMs), this);
    const QString connection = op->connection;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, op, connection, then = std::move(then)](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const auto q = queues_.find(connection);
                if (q == queues_.end()) {
                    return; // the player is gone, and its operations with it
                }
                q->second.blocked = false;
                const PlayerRecord* player = directory_.find(connection);
                if (!op->finished && player != nullptr) {
                    std::optional<QVariant> value;
                    if (!w->isError()) {
                        value =
                            qvariant_cast<QDBusVariant>(w->reply().arguments().value(0)).variant();
                    }
                    then(op, *player, value);
                }
                pump(connection);
            });
}

bool Bridge::load(const OperationPtr& op, const PlayerRecord& player, const std::string& song) {
    const std::string uri = fileUriFor(song);
    const QString uriText = QString::fromLatin1(uri.data(), static_cast<qsizetype>(uri.size()));
    op->loaded = song;
    if (player.hasOpenUri) {
        op->action = "OpenUri " + uri;
        call(op, mprisPath, mprisPlayer, QStringLiteral("OpenUri"), {uriText});
    } else if (player.audacious) {
        op->action = "OpenList " + uri;
        call(op, audaciousPath, audaciousName, QStringLiteral("OpenList"), {QStringList{uriText}});
    } else {
        refuse(op, "the player cannot open files");
        return false;
    }
    return true;
}

void Bridge::call(const OperationPtr& op, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& args) {
    QDBusMessage message = QDBusMessage::createMethodCall(op->connection, path, interface, method);
    message.setArguments(args);
    ++op->repliesAwaited;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, op](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                --op->repliesAwaited;
                // Within the answer's time limit, well short of the call's own time-out, no
                // reply means the player left the bus without replying, which a player that
                // quits may well do.
                if (w->isError() && !op->failure &&
                    !(op->kind == TopicKind::quit && w->error().type() == QDBusError::NoReply)) {
                    const QDBusError error = w->error();
                    op->failure = text(error.name()) + ": " + text(error.message());
                    if (error.type() == QDBusError::Disconnected) {
                        checkBus();
                    }
                }
                if (op->repliesAwaited == 0) {
                    conclude(op);
                }
            });
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

void Bridge::accept(const OperationPtr& op) {
    op->finished = true;
    active_.remove(op);
    if (op->loaded) {
        lastSong_ = op->loaded;
    }
    print_("open #" + std::to_string(op->number) + " " + op->what + " -> " +
           printable(text(op->playerName)) + " " + printable(op->action));
    op->answer(true);
}

void Bridge::refuse(const OperationPtr& op, const std::string& reason) {
    op->finished = true;
    active_.remove(op);
    print_("refuse #" + std::to_string(op->number) + " " + op->what + " (" + printable(reason) +
           ")");
    op->answer(false);
}

void Bridge::launchPlayer() {
    if (launched_ != nullptr && launched_->state() != QProcess::NotRunning) {
        return; // started already and still running: its player may yet appear
    }
    if (launched_ == nullptr) {
        launched_ = new QProcess(this);
        launched_->setProgram(QStringLiteral("/bin/sh"));
        launched_->setArguments({QStringLiteral("-c"), QString::fromStdString(*options_.launch)});
        // Standard output carries this program's events: the player's words go elsewhere.
        launched_->setStandardOutputFile(QProcess::nullDevice());
        launched_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        launched_->setChildProcessModifier([] { ::setpgid(0, 0); });
        connect(launched_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                complain("cannot run the launch command: " + text(launched_->errorString()));
            }
        });
    }
    complain("no player: starting " + printable(*options_.launch));
    launched_->start();
}

} // namespace ostrane::bridge
