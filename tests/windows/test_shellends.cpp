// The notification icon when the shell that holds it ends and a new one starts, with a
// stand-in shell in a prefix that has no notification area of its own.

#include "loadrecord.h"
#include "peerprocess.h"
#include "platform/win32/shellnotificationicon.h"
#include "wintest.h"

#include <chrono>
#include <memory>
#include <thread>

using namespace ostrane;
using platform::win32::ShellNotificationIcon;
using wintest::ChildProcess;

namespace {

std::unique_ptr<ChildProcess> startShell() {
    auto shell = std::make_unique<ChildProcess>(wintest::besideTest(L"fakeshell.exe"),
                                                std::vector<std::wstring>{});
    return shell->waitForLine("ready") ? std::move(shell) : nullptr;
}

// Handles this thread's messages until `done` holds; false when it did not within the bound.
template <typename Condition> bool pumpUntil(Condition done) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= giveUp)
            return false;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&message);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace

WIN_TEST(theIconFollowsTheShellsThatHoldIt) {
    WIN_REQUIRE(::FindWindowW(L"Shell_TrayWnd", nullptr) == nullptr);
    auto shell = startShell();
    WIN_REQUIRE(shell != nullptr);
    ShellNotificationIcon icon;
    int told = 0;
    icon.onShownChange([&] { ++told; });
    const core::TrayIcon record = wintest::loadRecord(icon);
    WIN_REQUIRE(icon.add(record.bytes()));
    WIN_CHECK(icon.shown());
    WIN_CHECK(told == 0);

    shell.reset(); // ended as a crash ends it
    WIN_CHECK(pumpUntil([&] { return told == 1; }));
    WIN_CHECK(!icon.shown());

    shell = startShell();
    WIN_REQUIRE(shell != nullptr);
    WIN_CHECK(pumpUntil([&] { return told == 2; }));
    WIN_CHECK(icon.shown());
    WIN_CHECK(shell->waitForLine("icon"));

    // The new shell is watched as the first was.
    shell.reset();
    WIN_CHECK(pumpUntil([&] { return told == 3; }));
    WIN_CHECK(!icon.shown());
}
