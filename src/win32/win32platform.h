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

namespace ostrane::win32 {

// The platform's real objects for the main window. Every open and close runs on the
// conversations' own thread, which also starts DDEML there, off the window's path: a player
// that never answers holds no window, and the end of the program waits for it one stop bound
// at most.
struct Win32Platform {
    explicit Win32Platform(std::chrono::milliseconds openTimeout =
                               platform::win32::DdeConversations::defaultOpenTimeout)
        : conversations([openTimeout]() -> std::unique_ptr<core::Conversations> {
              return std::make_unique<platform::win32::DdeConversations>(openTimeout);
          }) {}

    core::Form1Platform form1() {
        return {conversations, folderPicker, notificationIcon, folderReader, &songFiles};
    }

    core::SerialConversations conversations;
    platform::win32::ShellFolderPicker folderPicker;
    platform::win32::ShellNotificationIcon notificationIcon;
    platform::win32::FindFileFolderReader folderReader;
    platform::win32::DiskFileOpener songFiles;
};

} // namespace ostrane::win32
