#include "core/serialconversations.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ostrane::core {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// What the slow conversations saw, kept beyond their end.
struct Record {
    std::mutex mutex;
    std::vector<std::string> events;
    std::thread::id builtOn, usedOn, endedOn;
    bool release = false;
    std::condition_variable released;

    void add(std::string event) {
        std::lock_guard lock(mutex);
        events.push_back(std::move(event));
    }
    std::vector<std::string> seen() {
        std::lock_guard lock(mutex);
        return events;
    }
    // Whether an open of `topic` has begun, waiting for it a generous while.
    bool underWay(const std::string& topic) {
        std::unique_lock lock(mutex);
        return begun.wait_for(lock, 10s, [&] { return opening == topic; });
    }
    std::string opening;
    std::condition_variable begun;
};

// Each open takes `delay` (or waits for `release` when `hang`); topics starting with "x"
// are refused. Records every call as "open TOPIC" and "close TOPIC", and "end TOPIC" for a
// conversation still open when they end.
class SlowConversations final : public Conversations {
public:
    SlowConversations(std::shared_ptr<Record> record, std::chrono::milliseconds delay, bool hang)
        : record_(std::move(record)), delay_(delay), hang_(hang) {
        std::lock_guard lock(record_->mutex);
        record_->builtOn = std::this_thread::get_id();
    }
    ~SlowConversations() override {
        record_->endedOn = std::this_thread::get_id();
        for (const auto& topic : open_)
            if (!topic.empty())
                record_->add("end " + topic);
    }

    std::optional<Conversation> open(std::string_view, std::string_view topic) override {
        record_->usedOn = std::this_thread::get_id();
        {
            std::lock_guard lock(record_->mutex);
            record_->opening = topic;
        }
        record_->begun.notify_all();
        if (hang_) {
            std::unique_lock lock(record_->mutex);
            record_->released.wait_for(lock, 10s, [&] { return record_->release; });
        } else {
            std::this_thread::sleep_for(delay_);
        }
        record_->add("open " + std::string(topic));
        if (topic.starts_with("x"))
            return std::nullopt;
        open_.emplace_back(topic);
        return Conversation{open_.size() + 100};
    }
    void close(Conversation conversation) override {
        const std::string topic = open_.at(conversation.handle - 101);
        record_->add("close " + topic);
        open_[conversation.handle - 101].clear();
    }

private:
    std::shared_ptr<Record> record_;
    std::chrono::milliseconds delay_;
    bool hang_;
    std::vector<std::string> open_;
};

SerialConversations::Factory slow(const std::shared_ptr<Record>& record,
                                  std::chrono::milliseconds delay, bool hang = false) {
    return [=] { return std::make_unique<SlowConversations>(record, delay, hang); };
}

void letGo(Record& record) {
    {
        std::lock_guard lock(record.mutex);
        record.release = true;
    }
    record.released.notify_all();
}

TEST(SerialConversations, CallsReturnAtOnceAndRunInTheOrderAsked) {
    auto record = std::make_shared<Record>();
    {
        // Every open is held until the test lets go: a call that waited for one never returns.
        SerialConversations serial(slow(record, 0ms, true));
        auto a = serial.open("S", "a");
        serial.close(*a);
        auto refused = serial.open("S", "x");
        serial.close(*refused);
        auto b = serial.open("S", "b");
        serial.close(*b);
        auto c = serial.open("S", "c");
        ASSERT_TRUE(record->underWay("a"));
        EXPECT_GE(serial.backlog(), 6u);
        letGo(*record);
        ASSERT_TRUE(serial.waitUntilIdle(5s));
        EXPECT_EQ(serial.backlog(), 0u);
        // Each conversation is told apart, whether its open succeeded or not.
        EXPECT_NE(a->handle, b->handle);
        EXPECT_NE(refused->handle, c->handle);
    }
    // The close of the refused one touches nothing; the last one ends with the object.
    EXPECT_EQ(record->seen(), (std::vector<std::string>{"open a", "close a", "open x", "open b",
                                                        "close b", "open c", "close c"}));
    EXPECT_NE(record->builtOn, std::this_thread::get_id());
    EXPECT_EQ(record->usedOn, record->builtOn);
    EXPECT_EQ(record->endedOn, record->builtOn);
}

TEST(SerialConversations, EndingSkipsWaitingOpensButClosesWhatIsOpen) {
    auto record = std::make_shared<Record>();
    {
        SerialConversations serial(slow(record, 300ms));
        auto a = serial.open("S", "a");
        ASSERT_TRUE(serial.waitUntilIdle(5s));
        serial.close(*a);
        for (const char* topic : {"b", "c", "d", "e", "f"}) {
            serial.close(*serial.open("S", topic));
        }
        // "b" is under way; the others wait behind it.
        ASSERT_TRUE(record->underWay("b"));
    }
    EXPECT_EQ(record->seen(), (std::vector<std::string>{"open a", "close a", "open b", "close b"}));
}

TEST(SerialConversations, EndingWaitsNoLongerThanTheBoundForAHungOpen) {
    auto record = std::make_shared<Record>();
    auto serial = std::make_unique<SerialConversations>(slow(record, 0ms, true), 200ms);
    serial->open("S", "a");
    for (int i = 0; i < 4; ++i)
        serial->open("S", "more");
    ASSERT_TRUE(record->underWay("a"));
    // The open stays held until the object has ended: ending never waits for it to finish.
    serial.reset();
    // The open under way finishes later, and the worker alone ends its conversation.
    letGo(*record);
    EXPECT_TRUE([&] {
        for (auto deadline = Clock::now() + 5s; Clock::now() < deadline;
             std::this_thread::sleep_for(5ms)) {
            if (record->seen() == std::vector<std::string>{"open a", "close a"})
                return true;
        }
        return false;
    }());
}

TEST(SerialConversations, TheThreadStartsWithTheFirstCallOrWhenAsked) {
    auto record = std::make_shared<Record>();
    const auto builtOn = [&] {
        std::lock_guard lock(record->mutex);
        return record->builtOn;
    };
    { SerialConversations unused(slow(record, 0ms)); }
    EXPECT_EQ(builtOn(), std::thread::id());

    SerialConversations started(slow(record, 0ms));
    started.start();
    started.start();
    const auto deadline = Clock::now() + 10s;
    while (builtOn() == std::thread::id() && Clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_NE(builtOn(), std::thread::id());
    EXPECT_NE(builtOn(), std::this_thread::get_id());
}

TEST(SerialConversations, ConversationsThatCannotBeMadeFailEveryOpen) {
    SerialConversations serial([]() -> std::unique_ptr<Conversations> {
        throw std::runtime_error("no conversations here");
    });
    auto a = serial.open("S", "a");
    ASSERT_TRUE(a);
    serial.close(*a);
    EXPECT_TRUE(serial.waitUntilIdle(5s));
}

} // namespace
} // namespace ostrane::core
