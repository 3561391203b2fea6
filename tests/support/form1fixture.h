#pragma once

#include "core/form1platform.h"
#include "platform/unix/posixfolderreader.h"
#include "platform/unix/posixsongfiles.h"
#include "qt/form1.h"
#include "support/fakeconversations.h"
#include "support/fakefolderpicker.h"
#include "support/fakenotificationicon.h"

#include <gtest/gtest.h>

namespace ostrane::testing {

// What a main window under test reaches the outside world through: fakes, with folders and
// songs read for real.
struct Form1Fakes {
    FakeConversations conversations;
    FakeFolderPicker folderPicker;
    platform::PosixFolderReader folderReader;
    FakeNotificationIcon notificationIcon;
    platform::PosixSongFiles songFiles;

    core::Form1Platform platform() { return platform(conversations); }
    // The fakes with other conversations: the real transport, or a player that hangs.
    core::Form1Platform platform(core::Conversations& other) {
        return {other, folderPicker, notificationIcon, folderReader, &songFiles};
    }
};

// One main window on the fakes.
class Form1Fixture : public ::testing::Test, protected Form1Fakes {
protected:
    qt::Form1 form{platform()};
};

} // namespace ostrane::testing
