#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace ostrane::core {

// The notification record as the shell takes it: the 88-byte first version of
// NOTIFYICONDATA with an 8-bit tip, all integers little-endian.
struct NotifyIconLayout {
    static constexpr std::size_t Size = 88;
    static constexpr std::size_t CbSize = 0;
    static constexpr std::size_t Owner = 4;
    static constexpr std::size_t Id = 8;
    static constexpr std::size_t Flags = 12;
    static constexpr std::size_t CallbackMessage = 16;
    static constexpr std::size_t Icon = 20;
    static constexpr std::size_t Tip = 24;
    static constexpr std::size_t TipLength = 64;
};

using NotifyIconRecord = std::array<std::uint8_t, NotifyIconLayout::Size>;

inline std::uint32_t recordField(const NotifyIconRecord& record, std::size_t offset) {
    return static_cast<std::uint32_t>(record[offset]) |
           static_cast<std::uint32_t>(record[offset + 1]) << 8 |
           static_cast<std::uint32_t>(record[offset + 2]) << 16 |
           static_cast<std::uint32_t>(record[offset + 3]) << 24;
}

// The tip as the shell shows it: the field's characters up to the first NUL.
inline std::string recordTip(const NotifyIconRecord& record) {
    std::string tip;
    for (std::size_t i = 0; i < NotifyIconLayout::TipLength; ++i) {
        const auto c = static_cast<char>(record[NotifyIconLayout::Tip + i]);
        if (c == '\0')
            break;
        tip.push_back(c);
    }
    return tip;
}

// An icon in the shell's notification area.
class NotificationIcon {
public:
    // Receives each mouse message over the icon as its Windows number: 512 (move), 513 to
    // 515 (left down, up, double click), 516 to 518 (right), 519 to 521 (middle).
    using MouseMessages = std::function<void(int message)>;
    // Told that shown() changed by itself: a notification area came or went.
    using ShownChanges = std::function<void()>;

    virtual ~NotificationIcon() = default;

    // The 32-bit handles the record carries: the window the icon's messages go to, and
    // the program's icon.
    virtual std::uint32_t callbackWindow() const = 0;
    virtual std::uint32_t programIcon() const = 0;

    // Adds the icon the record describes (owner, id, icon, tip); deletes the icon that the
    // record's owner and id name. Each gives whether the notification area took it.
    virtual bool add(const NotifyIconRecord& record) = 0;
    virtual bool remove(const NotifyIconRecord& record) = 0;

    virtual void onMouseMessage(MouseMessages deliver) = 0;
    // Runs `notify` after each change of shown() that add and remove did not make.
    virtual void onShownChange(ShownChanges notify) = 0;

    // Whether the icon is on screen now: false while there is no notification area, or
    // when the icon was not added.
    virtual bool shown() const = 0;
};

} // namespace ostrane::core
