#pragma once

#include "core/notificationicon.h"

#include <string>
#include <vector>

namespace ostrane::testing {

// A notification area in memory: records each add and delete as "add TIP" and "delete",
// and lets a test raise mouse messages over the icon.
class FakeNotificationIcon : public core::NotificationIcon {
public:
    static constexpr std::uint32_t Owner = 0x0badf00d;
    static constexpr std::uint32_t Icon = 0x1c0;

    std::uint32_t callbackWindow() const override { return Owner; }
    std::uint32_t programIcon() const override { return Icon; }

    bool add(const core::NotifyIconRecord& record) override {
        records.push_back(record);
        events.push_back("add " + core::recordTip(record));
        present = true;
        return areaPresent;
    }
    bool remove(const core::NotifyIconRecord& record) override {
        records.push_back(record);
        events.push_back("delete");
        const bool was = present;
        present = false;
        return was;
    }
    void onMouseMessage(MouseMessages deliver) override { deliver_ = std::move(deliver); }
    void onShownChange(ShownChanges notify) override { notify_ = std::move(notify); }
    bool shown() const override { return present && areaPresent; }

    void raise(int message) { deliver_(message); }
    // A notification area starts or goes away, telling the owner when that shows or hides
    // the icon.
    void setAreaPresent(bool present) {
        const bool was = shown();
        areaPresent = present;
        if (shown() != was && notify_)
            notify_();
    }

    // Whether a notification area is there to show the icon; an added icon shows as soon
    // as one is.
    bool areaPresent = true;
    bool present = false;
    std::vector<std::string> events;
    std::vector<core::NotifyIconRecord> records;

private:
    MouseMessages deliver_;
    ShownChanges notify_;
};

} // namespace ostrane::testing
