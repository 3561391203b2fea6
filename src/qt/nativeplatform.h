#pragma once

// The one place that picks the platform's real objects for main: the pure Win32 ones on
// Windows (DDE, the shell's notification area and folder dialog, FindFirstFileW), the
// conversation socket and Qt's elsewhere.

#include "core/serialconversations.h"

#include <QIcon>
#include <memory>

#ifdef _WIN32
#include "platform/win32/ddeconversations.h"
#include "platform/win32/findfilefolderreader.h"
#include "platform/win32/shellfolderpicker.h"
#include "platform/win32/shellnotificationicon.h"
#else
#include "platform/qt/qtfolderpicker.h"
#include "platform/qt/qtnotificationicon.h"
#include "platform/unix/posixfolderreader.h"
#include "platform/unix/socketconversations.h"
#endif

namespace ostrane::qt {

struct NativePlatform {
    // Every open and close runs on the conversations' own thread, so a player that never
    // answers holds no window; the end of the program waits for it one open time-out at most.
    core::SerialConversations conversations{[]() -> std::unique_ptr<core::Conversations> {
#ifdef _WIN32
        return std::make_unique<platform::win32::DdeConversations>();
#else
        return std::make_unique<platform::SocketConversations>();
#endif
    }};
#ifdef _WIN32
    platform::win32::ShellFolderPicker folderPicker;
    // Shows the icon of the executable's resources, the same picture as the window's.
    platform::win32::ShellNotificationIcon notificationIcon;
    platform::win32::FindFileFolderReader folderReader;

    void showProgramIcon(const QIcon&) {}
#else
    platform::QtFolderPicker folderPicker;
    platform::QtNotificationIcon notificationIcon;
    platform::PosixFolderReader folderReader;

    void showProgramIcon(const QIcon& icon) {
        notificationIcon.setIcon(icon);
    }
#endif
};

} // namespace ostrane::qt
