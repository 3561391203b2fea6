#pragma once

// Forwards conversations to the chosen MPRIS player and answers each once the player has
// replied: accepted when every call succeeded, refused on an error or after 800 ms.

#include "bridgeoptions.h"
#include "playerdirectory.h"

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace ostrane::bridge {

// How long a conversation waits for the player (and a launched player for its name).
inline constexpr int answerTimeLimitMs = 800;

class Bridge : public QObject {
    Q_OBJECT
public:
    using Answer = std::function<void(bool accepted)>;
    using Print = std::function<void(const std::string& line)>;

    // `print` gets each event line; complaints go to standard error.
    Bridge(QDBusConnection bus, BridgeOptions options, Print print, QObject* parent = nullptr);
    // Ends a player it launched.
    ~Bridge() override;

    // Learns the players already on the bus, then runs `ready`.
    void start(std::function<void()> ready);

    // One conversation: `answer` runs exactly once, before this returns when the refusal
    // needs no player (an unknown topic, a missing file, no player at all).
    void converse(unsigned long number, std::string service, std::string topic, Answer answer);

signals:
    // The session bus went away; nothing more can be forwarded.
    void busLost();

private:
    struct Operation;
    using OperationPtr = std::shared_ptr<Operation>;
    struct Queue {
        std::deque<OperationPtr> waiting;
        bool blocked = false; // an operation waits for a reply before it knows its calls
    };
    struct Target {
        QString connection;
        QString name;
        bool operator==(const Target&) const = default;
    };

    void chooseTarget();
    void enqueue(const OperationPtr& op, const Target& target);
    void pump(const QString& connection);
    void begin(const OperationPtr& op, Queue& queue, const PlayerRecord& player);
    using Continuation = std::function<void(const OperationPtr&, const PlayerRecord&,
                                            const std::optional<QVariant>& value)>;
    void askThenContinue(const OperationPtr& op, Queue& queue, const QString& interface,
                         const QString& property, Continuation then);
    bool load(const OperationPtr& op, const PlayerRecord& player, const std::string& song);
    void call(const OperationPtr& op, const QString& path, const QString& interface,
              const QString& method, const QVariantList& args = {});
    void conclude(const OperationPtr& op);
    void accept(const OperationPtr& op);
    void refuse(const OperationPtr& op, const std::string& reason);
    void launchPlayer();
    void checkBus();

    QDBusConnection bus_;
    BridgeOptions options_;
    Print print_;
    PlayerDirectory directory_;
    std::optional<Target> target_;
    bool started_ = false;
    bool announced_ = false;
    std::map<QString, Queue> queues_;
    std::deque<OperationPtr> awaitingPlayer_;
    std::list<OperationPtr> active_;
    std::optional<std::string> lastSong_;
    QProcess* launched_ = nullptr;
    bool busGone_ = false;
};

} // namespace ostrane::bridge
