#pragma once

#include "core/conversations.h"

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace ostrane::core {

// Conversations whose opens and closes run on a thread of their own, one after another in
// the order they were asked for, so that the caller never waits for a server, however long it
// takes to answer. `open` returns at once with a conversation that stands for the open to
// come; whether the server accepted is known only to that thread, and closing a conversation
// whose open failed does nothing. Safe to call from any thread.
class SerialConversations final : public Conversations {
public:
    using Factory = std::function<std::unique_ptr<Conversations>()>;

    static constexpr std::chrono::milliseconds defaultStopBound{1000};

    // `make` builds the real conversations on the worker thread, which alone uses them and
    // destroys them: an API tied to the thread that started it (DDEML) is then used right.
    // The thread starts with the first open or close, or with `start`.
    explicit SerialConversations(Factory make,
                                 std::chrono::milliseconds stopBound = defaultStopBound);
    // Skips the opens not yet started, carries out the closes, ends the conversations still
    // open, and waits for all that no longer than the stop bound: an open under way when the
    // bound passes finishes, and is ended, after this returns.
    ~SerialConversations() override;
    SerialConversations(const SerialConversations&) = delete;
    SerialConversations& operator=(const SerialConversations&) = delete;

    // Starts the worker thread now, if it has not started.
    void start();

    std::optional<Conversation> open(std::string_view service, std::string_view topic) override;
    void close(Conversation conversation) override;

    // Opens and closes asked for and not yet finished.
    std::size_t backlog() const;
    // Waits until every open and close asked for so far has finished; false on time-out.
    bool waitUntilIdle(std::chrono::milliseconds timeout) const;

private:
    struct State;
    static void run(const std::shared_ptr<State>& state, const Factory& make);
    // With the state's lock held.
    void startWorker();

    // Shared with the worker, which may outlive this object by one open.
    std::shared_ptr<State> state_;
    std::chrono::milliseconds stopBound_;
    Factory make_;
    std::thread worker_;
};

} // namespace ostrane::core
