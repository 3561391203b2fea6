#include "core/serialconversations.h"

#include "core/resumenext.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace ostrane::core {

namespace {

struct Job {
    enum class Kind { open, close };
    Kind kind;
    std::uintptr_t ticket;
    std::string service;
    std::string topic;
};

} // namespace

struct SerialConversations::State {
    mutable std::mutex mutex;
    std::condition_variable wake;
    mutable std::condition_variable settled;
    std::deque<Job> jobs;
    bool busy = false;
    bool stopping = false;
    bool finished = false;
    std::uintptr_t lastTicket = 0;
};

SerialConversations::SerialConversations(Factory make, std::chrono::milliseconds stopBound)
    : state_(std::make_shared<State>()), stopBound_(stopBound), make_(std::move(make)) {}

SerialConversations::~SerialConversations() {
    std::unique_lock lock(state_->mutex);
    if (!worker_.joinable())
        return;
    state_->stopping = true;
    state_->wake.notify_all();
    const bool finished =
        state_->settled.wait_for(lock, stopBound_, [this] { return state_->finished; });
    lock.unlock();
    if (finished)
        worker_.join();
    else
        worker_.detach();
}

void SerialConversations::start() {
    std::lock_guard lock(state_->mutex);
    startWorker();
}

void SerialConversations::startWorker() {
    if (!worker_.joinable())
        worker_ = std::thread([state = state_, make = std::move(make_)] { run(state, make); });
}

std::optional<Conversation> SerialConversations::open(std::string_view service,
                                                      std::string_view topic) {
    std::lock_guard lock(state_->mutex);
    startWorker();
    const std::uintptr_t ticket = ++state_->lastTicket;
    state_->jobs.push_back({Job::Kind::open, ticket, std::string(service), std::string(topic)});
    state_->wake.notify_all();
    return Conversation{ticket};
}

void SerialConversations::close(Conversation conversation) {
    std::lock_guard lock(state_->mutex);
    startWorker();
    state_->jobs.push_back({Job::Kind::close, conversation.handle, {}, {}});
    state_->wake.notify_all();
}

std::size_t SerialConversations::backlog() const {
    std::lock_guard lock(state_->mutex);
    return state_->jobs.size() + (state_->busy ? 1 : 0);
}

bool SerialConversations::waitUntilIdle(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(state_->mutex);
    return state_->settled.wait_for(lock, timeout,
                                    [this] { return state_->jobs.empty() && !state_->busy; });
}

void SerialConversations::run(const std::shared_ptr<State>& state, const Factory& make) {
    std::unique_ptr<Conversations> conversations;
    try {
        conversations = make();
    } catch (const std::exception&) {
        // Without conversations every open fails, as when no server runs.
    }
    // The worker's own conversations, by the ticket that stands for each.
    std::unordered_map<std::uintptr_t, Conversation> open;
    for (;;) {
        Job job;
        bool skip = false;
        {
            std::unique_lock lock(state->mutex);
            state->wake.wait(lock, [&] { return state->stopping || !state->jobs.empty(); });
            if (state->jobs.empty())
                break;
            job = std::move(state->jobs.front());
            state->jobs.pop_front();
            state->busy = true;
            // Once the program ends nobody is there to hear a song start.
            skip = state->stopping && job.kind == Job::Kind::open;
        }
        if (conversations && !skip) {
            // A failure ends this open or close alone, as a failing open does.
            resumeNext([&] {
                if (job.kind == Job::Kind::open) {
                    if (auto conversation = conversations->open(job.service, job.topic))
                        open.emplace(job.ticket, *conversation);
                } else if (const auto found = open.find(job.ticket); found != open.end()) {
                    const Conversation conversation = found->second;
                    open.erase(found);
                    conversations->close(conversation);
                }
            });
        }
        std::lock_guard lock(state->mutex);
        state->busy = false;
        if (state->jobs.empty())
            state->settled.notify_all();
    }
    for (const auto& entry : open)
        resumeNext([&] { conversations->close(entry.second); });
    conversations.reset();
    std::lock_guard lock(state->mutex);
    state->finished = true;
    state->settled.notify_all();
}

} // namespace ostrane::core
