#pragma once

#include "core/serialconversations.h"
#include "platform/win32/ddeconversations.h"
#include "platform/win32/diskfile.h"
#include "platform/win32/findfilefolderreader.h"
#include "platform/win32/shellfolderpicker.h"
#include "platform/win32/shellnotificationicon.h"
#include "win32/form1.h"

#include <chrono>
#include <memory>
#include <optional>

namespace ostrane::win32 {

// The platform's real objects for the main window. Every open and close runs on the
// conversations' own thread, which also starts DDEML there, off the window's path: a player
// that never answers holds no window, and the end of the program waits for it `stopBound` at
// most. That thread starts with `startConversations`, which the program calls once its first
// frame is drawn, or with the first open or close before then: under Wine a thread starting
// beside the window's making slows that by tens of milliseconds.
struct Win32Platform {
    // The whole end within a second: the rest of it (the icon's delete, the process's end)
    // takes up to a tenth of that under Wine.
    static constexpr std::chrono::milliseconds stopBound{800};

    explicit Win32Platform(std::chrono::milliseconds openTimeout =
                               platform::win32::DdeConversations::defaultOpenTimeout)
        : openTimeout_(openTimeout), lateConversations_(*this) {}

    // Starts the conversations' thread, once.
    core::SerialConversations& startConversations();

    core::Form1Platform form1() {
        return {lateConversations_, folderPicker, notificationIcon, folderReader, &songFiles};
    }

    // Ends the conversations (the closes asked for carried out, `stopBound` at most) on a
    // thread of its own, while this thread answers what other threads send its windows: an
    // open under way asks every top-level window for the service, the program's own too, and
    // would otherwise wait for this thread to the end of the bound.
    void endConversations();

    // Nothing until started.
    std::optional<core::SerialConversations> conversations;
    platform::win32::ShellFolderPicker folderPicker;
    platform::win32::ShellNotificationIcon notificationIcon;
    platform::win32::FindFileFolderReader folderReader;
    platform::win32::DiskFileOpener songFiles;

private:
    // The conversations the window is given: each open or close goes to the thread, which
    // starts with the first of them if it has not yet. Used from the window's thread alone.
    class LateConversations final : public core::Conversations {
    public:
        explicit LateConversations(Win32Platform& platform) : platform_(platform) {}
        std::optional<core::Conversation> open(std::string_view service,
                                               std::string_view topic) override {
            return platform_.startConversations().open(service, topic);
        }
        void close(core::Conversation conversation) override {
            platform_.startConversations().close(conversation);
        }

    private:
        Win32Platform& platform_;
    };

    std::chrono::milliseconds openTimeout_;
    LateConversations lateConversations_;
};

} // namespace ostrane::win32
