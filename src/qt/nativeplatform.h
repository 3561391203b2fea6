#pragma once

// The one place that picks the platform's real objects for main: the conversation socket,
// Qt's notification icon and folder dialog, readdir, and song files read with pread.

#include "core/form1platform.h"
#include "core/serialconversations.h"
#include "platform/qt/qtfolderpicker.h"
#include "platform/qt/qtnotificationicon.h"
#include "platform/unix/posixfolderreader.h"
#include "platform/unix/posixsongfiles.h"
#include "platform/unix/socketconversations.h"

#include <QIcon>
#include <memory>

namespace ostrane::qt {

struct NativePlatform {
    // Every open and close runs on the conversations' own thread, so a player that never
    // answers holds no window; the end of the program waits for it one open time-out at most.
    core::SerialConversations conversations{[]() -> std::unique_ptr<core::Conversations> {
        return std::make_unique<platform::SocketConversations>();
    }};
    platform::QtFolderPicker folderPicker;
    platform::QtNotificationIcon notificationIcon;
    platform::PosixFolderReader folderReader;
    platform::PosixSongFiles songFiles;

    core::Form1Platform form1() {
        return {conversations, folderPicker, notificationIcon, folderReader, &songFiles};
    }
    void showProgramIcon(const QIcon& icon) { notificationIcon.setIcon(icon); }
};

} // namespace ostrane::qt
