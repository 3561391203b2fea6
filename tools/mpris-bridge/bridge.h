#pragma once

// Forwards conversations to the chosen MPRIS player and answers each once the player has
// replied: accepted when every call succeeded, refused on an error or after 800 ms.

#include "bridgeoptions.h"
#include "launchedplayer.h"
#include "playerdirectory.h"
#include "sdbus.h"

#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace ostrane::bridge {

// How long a conversation waits for the player (and a launched player for its name).
inline constexpr auto answerTimeLimit = std::chrono::milliseconds(800);

class Bridge {
public:
    struct Output {
        // A conversation's answer, with its output line to follow it.
        std::function<void(unsigned long number, bool accepted, const std::string& line)> answer;
        std::function<void(const std::string& line)> event;
        std::function<void(const std::string& message)> complain;
    };

    Bridge(SessionBus& bus, BridgeOptions options, Output output);
    // Ends a player it launched; one it found is left alone.
    ~Bridge();
    Bridge(const Bridge&) = delete;
    Bridge& operator=(const Bridge&) = delete;

    // Learns the players already on the bus, then runs `ready`.
    void start(std::function<void()> ready);

    // One conversation, answered exactly once through Output::answer: at once when the
    // refusal needs no player (an unknown topic, a missing file, no player at all).
    void converse(unsigned long number, const std::string& service, const std::string& topic);

private:
    struct Operation;
    using OperationPtr = std::shared_ptr<Operation>;
    struct Queue {
        std::deque<OperationPtr> waiting;
        bool blocked = false; // an operation waits for a reply before it knows its calls
    };
    struct Target {
        std::string connection;
        std::string name;
        bool operator==(const Target&) const = default;
    };
    using Continuation =
        std::function<void(const OperationPtr&, const PlayerRecord&, sd_bus_message* value)>;
    using CallArguments = std::function<int(sd_bus_message*)>;

    void chooseTarget();
    void vanished(const std::string& connection);
    void enqueue(const OperationPtr& op, const Target& target);
    void pump(const std::string& connection);
    void begin(const OperationPtr& op, Queue& queue, const PlayerRecord& player);
    void askThenContinue(const OperationPtr& op, Queue& queue, const char* interface,
                         const char* property, Continuation then);
    bool load(const OperationPtr& op, const PlayerRecord& player, const std::string& song);
    void call(const OperationPtr& op, const char* path, const char* interface, const char* method,
              CallArguments arguments = nullptr);
    void conclude(const OperationPtr& op);
    void accept(const OperationPtr& op);
    void refuse(const OperationPtr& op, const std::string& reason);
    void finish(const OperationPtr& op);
    void launchPlayer();

    SessionBus& bus_;
    BridgeOptions options_;
    Output output_;
    PlayerDirectory directory_;
    std::optional<Target> target_;
    bool started_ = false;
    bool announced_ = false;
    std::map<std::string, Queue> queues_;
    std::deque<OperationPtr> awaitingPlayer_;
    std::list<OperationPtr> active_;
    std::optional<std::string> lastSong_;
    LaunchedPlayer launched_;
};

} // namespace ostrane::bridge
