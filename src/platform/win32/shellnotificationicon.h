#pragma once

#include "core/notificationicon.h"
#include "platform/win32/win32api.h"

#include <optional>

namespace ostrane::platform::win32 {

// The notification icon through Shell_NotifyIconA. The icon's messages go to a hidden window
// of its own, which hands each one on as the mouse message it reports. The window is made
// when first needed (the add, or a record that names it), off the program's start; it
// belongs to the thread that made it, which must pump messages.
class ShellNotificationIcon final : public core::NotificationIcon {
public:
    // `icon` is the picture shown; the program's own icon when null.
    explicit ShellNotificationIcon(HICON icon = nullptr);
    ~ShellNotificationIcon() override;
    ShellNotificationIcon(const ShellNotificationIcon&) = delete;
    ShellNotificationIcon& operator=(const ShellNotificationIcon&) = delete;

    std::uint32_t callbackWindow() const override;
    std::uint32_t programIcon() const override;
    bool add(const core::NotifyIconRecord& record) override;
    bool remove(const core::NotifyIconRecord& record) override;
    void onMouseMessage(MouseMessages deliver) override { deliver_ = std::move(deliver); }
    // Told when the shell that holds the icon ends, and when a new shell takes it back
    // (TaskbarCreated).
    void onShownChange(ShownChanges notify) override { notifyShown_ = std::move(notify); }
    bool shown() const override { return added_.has_value() && shellRunning_; }

    // The record as the shell takes it on this platform: the same fields, with the size of
    // the first version of the record in this build (88 bytes in a 32-bit one).
    static NOTIFYICONDATAA shellRecord(const core::NotifyIconRecord& record);

private:
    HWND window() const;
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    void handle(UINT message, LPARAM lParam);
    void addAgain();
    // Nothing tells a program that the shell has ended, so the icon waits on the process
    // that owns the notification area; its end arrives as a message to the icon's window.
    void watchShell();
    void stopWatchingShell();
    static void CALLBACK shellProcessEnded(void* window, BOOLEAN timedOut);
    void shellEnded();

    mutable HWND window_ = nullptr;
    HICON icon_ = nullptr;
    UINT taskbarCreated_ = 0;
    std::optional<core::NotifyIconRecord> added_;
    bool shellRunning_ = false;
    HANDLE shellProcess_ = nullptr;
    HANDLE shellWait_ = nullptr;
    MouseMessages deliver_;
    ShownChanges notifyShown_;
};

} // namespace ostrane::platform::win32
