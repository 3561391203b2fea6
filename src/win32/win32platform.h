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
                               platform::win32::DdeConversations::defaultOpenTimeout);

    // Starts the conversations' thread, once.
    void startConversations() { conversations->start(); }

    core::Form1Platform form1() {
        return {*conversations, folderPicker, notificationIcon, folderReader, &songFiles};
    }

    // Ends the conversations (the closes asked for carried out, `stopBound` at most) on a
    // thread of its own, while this thread answers what other threads send its windows: an
    // open under way asks every top-level window for the service, the program's own too, and
    // would otherwise wait for this thread to the end of the bound.
    void endConversations();

    // Gone once ended.
    std::optional<core::SerialConversations> conversations;
    platform::win32::ShellFolderPicker folderPicker;
    platform::win32::ShellNotificationIcon notificationIcon;
    platform::win32::FindFileFolderReader folderReader;
    platform::win32::DiskFileOpener songFiles;
};

} // namespace ostrane::win32
