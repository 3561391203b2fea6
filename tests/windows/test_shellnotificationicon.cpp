// The notification icon in Wine's shell, on a desktop of its own.

#include "loadrecord.h"
#include "platform/win32/shellnotificationicon.h"
#include "wintest.h"

#include <chrono>
#include <thread>
#include <vector>

using namespace ostrane;
using platform::win32::ShellNotificationIcon;
using wintest::loadRecord;

namespace {

// The desktop's shell may still be setting up its notification area as the test starts.
bool notificationAreaReady() {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (::FindWindowW(L"Shell_TrayWnd", nullptr) == nullptr) {
        if (std::chrono::steady_clock::now() >= giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

void pumpMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&message);
}

} // namespace

WIN_TEST(theDesktopHasANotificationArea) {
    WIN_CHECK(notificationAreaReady());
}

WIN_TEST(theShellRecordCarriesTheRecordsFields) {
    ShellNotificationIcon icon;
    // The icon's window is made when first needed, not with the icon.
    WIN_CHECK(::FindWindowW(L"OstraneNotificationIcon", nullptr) == nullptr);
    const NOTIFYICONDATAA shell = ShellNotificationIcon::shellRecord(loadRecord(icon).bytes());
    WIN_CHECK(shell.cbSize == NOTIFYICONDATAA_V1_SIZE);
    WIN_CHECK(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(shell.hWnd)) ==
              icon.callbackWindow());
    WIN_CHECK(::IsWindow(shell.hWnd));
    WIN_CHECK(shell.uID == 1);
    WIN_CHECK(shell.uFlags == 7);
    WIN_CHECK(shell.uCallbackMessage == 512);
    WIN_CHECK(shell.hIcon != nullptr);
    WIN_CHECK_EQ(std::string(shell.szTip), std::string("QV-SPC Ostrane"));
    WIN_CHECK(shell.szTip[63] == ' ');

    auto wrongSize = loadRecord(icon);
    wrongSize.cbSize = 152;
    WIN_CHECK(ShellNotificationIcon::shellRecord(wrongSize.bytes()).cbSize == 0);
}

WIN_TEST(theIconIsAddedAndDeletedWithTheRecord) {
    ShellNotificationIcon icon;
    core::TrayIcon record = loadRecord(icon);
    WIN_REQUIRE(icon.add(record.bytes()));
    WIN_CHECK(icon.shown());

    // As at unload: size, owner and id written again, the rest as at load.
    record.cbSize = core::TrayIcon::Size;
    record.hWnd = icon.callbackWindow();
    record.uID = 1;
    WIN_CHECK(icon.remove(record.bytes()));
    WIN_CHECK(!icon.shown());
    WIN_CHECK(!icon.remove(record.bytes()));
}

WIN_TEST(aDeleteNamingAnotherIdLeavesTheIcon) {
    ShellNotificationIcon icon;
    core::TrayIcon record = loadRecord(icon);
    WIN_REQUIRE(icon.add(record.bytes()));
    core::TrayIcon other = record;
    other.uID = 2;
    WIN_CHECK(!icon.remove(other.bytes()));
    WIN_CHECK(icon.shown());
    WIN_CHECK(icon.remove(record.bytes()));
}

WIN_TEST(callbacksReachTheLogicAsMouseMessageNumbers) {
    ShellNotificationIcon icon;
    std::vector<int> delivered;
    icon.onMouseMessage([&](int message) { delivered.push_back(message); });
    const core::TrayIcon record = loadRecord(icon);
    WIN_REQUIRE(icon.add(record.bytes()));
    const HWND owner = ShellNotificationIcon::shellRecord(record.bytes()).hWnd;
    for (int message : {512, 513, 514, 515, 516, 517, 519, 520})
        ::PostMessageW(owner, 512, 1, message);
    pumpMessages();
    WIN_CHECK((delivered == std::vector<int>{512, 513, 514, 515, 516, 517, 519, 520}));
    WIN_CHECK(icon.remove(record.bytes()));
}
