// The main window with the program's own platform objects, against the DDEML link peer.

#include "peerprocess.h"
#include "platform/win32/widetext.h"
#include "support/songheader.h"
#include "win32/commandbutton.h"
#include "win32/filelistbox.h"
#include "win32/label.h"
#include "win32/picturebox.h"
#include "win32/textbox.h"
#include "win32/win32platform.h"
#include "wintest.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>

using namespace ostrane;
using Clock = std::chrono::steady_clock;

namespace {

// Handles this thread's messages until `done` holds; false when it did not within the bound.
bool pumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds bound = std::chrono::seconds(30)) {
    const auto giveUp = Clock::now() + bound;
    while (!done()) {
        if (Clock::now() > giveUp)
            return false;
        ::MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (win32::Form::keyDown(message))
                continue;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return true;
}

// A press as the mouse makes it, on the button's corner.
void press(const win32::Control& button) {
    ::PostMessageW(button.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::PostMessageW(button.handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

void pressKey(HWND window, WPARAM key) {
    ::PostMessageW(window, WM_KEYDOWN, key, 1);
    ::PostMessageW(window, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
}

bool printed(wintest::LinkPeer& peer, const std::string& line) {
    const auto lines = peer.lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool painted(HWND window) {
    return ::GetUpdateRect(window, nullptr, FALSE) == FALSE;
}

// A song file of one header: text tags (a title, a game and 2:05) when `title` is given,
// flagged as untagged otherwise.
void writeSong(const std::wstring& path, std::string_view title) {
    testing::SongHeader header;
    if (title.empty())
        header.put(0x23, "\x1b");
    else
        header.title(title).put(0x4E, "Game").put(0xA9, "125");
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, header.bytes.data(), static_cast<DWORD>(header.bytes.size()), &written,
                nullptr);
    ::CloseHandle(file);
}

std::wstring tipText(HWND tip) {
    wchar_t text[256] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.lpszText = text;
    ::SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool));
    return text;
}

} // namespace

WIN_TEST(theWindowPaintsAndTakesInputWhileThePlayerHangs) {
    wintest::LinkPeer peer({L"--hang"});
    WIN_REQUIRE(peer.ready());
    WIN_REQUIRE(win32::Form::registerClass() && win32::PictureBox::registerClass());
    // The hung peer holds every open for as long as the test runs.
    win32::Win32Platform services(std::chrono::hours(1));
    win32::Form1 form1(services.form1());
    services.startConversations();
    WIN_REQUIRE(form1.handle() != nullptr);
    ::ShowWindow(form1.handle(), SW_SHOWNORMAL);

    for (int i = 0; i < 5; ++i)
        press(form1.Command2);
    WIN_REQUIRE(pumpUntil([&] { return printed(peer, "hang #1 QV-spc|STOP"); }));
    form1.Text1.setText("");
    for (int round = 0; round < 3; ++round) {
        ::InvalidateRect(form1.handle(), nullptr, TRUE);
        WIN_CHECK(pumpUntil([&] { return painted(form1.handle()); }));
        ::PostMessageW(form1.Text1.handle(), WM_CHAR, L'x', 1);
        WIN_CHECK(pumpUntil([&] { return form1.Text1.text().size() == std::size_t(round + 1); }));
    }
    // All that while the first open still waited on the player.
    WIN_CHECK(services.conversations->backlog() > 0);
}

WIN_TEST(theKeyboardWorksTheWindowAsOnLinux) {
    wintest::LinkPeer peer;
    WIN_REQUIRE(peer.ready());
    WIN_REQUIRE(win32::Form::registerClass() && win32::PictureBox::registerClass());
    win32::Win32Platform services;
    win32::Form1 form1(services.form1());
    services.startConversations();
    WIN_REQUIRE(form1.handle() != nullptr);
    form1.Form1_Load(); // its icon's add comes from the loop, amid the keys
    ::ShowWindow(form1.handle(), SW_SHOWNORMAL);
    ::SetForegroundWindow(form1.handle());
    WIN_CHECK(pumpUntil([&] { return ::GetFocus() == form1.Text1.handle(); }));

    // Tab goes round the controls in sight only: the panel's below the edge stay out.
    RECT client;
    ::GetClientRect(form1.handle(), &client);
    for (int i = 0; i < 12; ++i) {
        pressKey(::GetFocus(), VK_TAB);
        pumpUntil([] { return ::PeekMessageW(nullptr, nullptr, 0, 0, PM_NOREMOVE) == FALSE; });
        const win32::Control* focused = win32::Control::from(::GetFocus());
        WIN_REQUIRE(focused != nullptr);
        const RECT bounds = focused->bounds();
        RECT seen;
        WIN_CHECK(::IntersectRect(&seen, &bounds, &client));
    }

    // Return presses a button, toggles the panel on its picture, loads the selected song.
    ::SetFocus(form1.Command2.handle());
    pressKey(form1.Command2.handle(), VK_RETURN);
    WIN_CHECK(pumpUntil([&] { return printed(peer, "open #1 QV-spc|STOP"); }));
    const float closedHeight = form1.Height();
    ::SetFocus(form1.Picture2.handle());
    pressKey(form1.Picture2.handle(), VK_RETURN);
    WIN_CHECK(pumpUntil([&] { return form1.Height() > closedHeight; }));

    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    const std::wstring song = std::wstring(folder) + L"ostrane-keyboard-song.spc";
    ::CloseHandle(::CreateFileW(song.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    WIN_REQUIRE(form1.File1.setPath(platform::win32::utf8FromWide(folder)));
    const LRESULT entry = ::SendMessageW(form1.File1.handle(), LB_FINDSTRINGEXACT, -1,
                                         reinterpret_cast<LPARAM>(L"ostrane-keyboard-song.spc"));
    ::SendMessageW(form1.File1.handle(), LB_SETCURSEL, static_cast<WPARAM>(entry), 0);
    ::SetFocus(form1.File1.handle());
    pressKey(form1.File1.handle(), VK_RETURN);
    WIN_CHECK(pumpUntil([&] {
        const auto lines = peer.lines();
        return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
            return line.starts_with("open #2 QV-spc|") &&
                   line.ends_with("ostrane-keyboard-song.spc");
        });
    }));
    ::DeleteFileW(song.c_str());

    // Back from another window, the keyboard is with a control again, not the window.
    const HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPED | WS_VISIBLE, 0, 0,
                                         50, 50, nullptr, nullptr, nullptr, nullptr);
    ::SetForegroundWindow(other);
    WIN_CHECK(pumpUntil([&] { return ::GetForegroundWindow() == other; }));
    ::SetForegroundWindow(form1.handle());
    WIN_CHECK(pumpUntil([&] { return ::GetFocus() == form1.File1.handle(); }));
    ::DestroyWindow(other);
}

// The first frame makes only the windows it shows; the rest follow from the loop, in their
// places in the stack, with what was set on them meanwhile, and the link boxes never have one.
// An open asked for before the conversations' thread was started starts it.
WIN_TEST(theControlsOutOfTheFirstFrameFollowIt) {
    wintest::LinkPeer peer;
    WIN_REQUIRE(peer.ready());
    WIN_REQUIRE(win32::Form::registerClass() && win32::PictureBox::registerClass());
    win32::Win32Platform services;
    win32::Form1 form1(services.form1());
    WIN_REQUIRE(form1.handle() != nullptr);
    for (const char* later : {"File1", "Picture5", "Label4", "Label6", "Picture3", "Picture4"})
        WIN_CHECK(form1.find(later)->handle() == nullptr);
    WIN_CHECK(form1.Text1.handle() != nullptr && form1.Picture2.handle() != nullptr);

    wchar_t temporary[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temporary);
    const std::wstring folder =
        std::wstring(temporary) + L"ostrane-later-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(folder.c_str(), nullptr);
    writeSong(folder + L"\\a song.spc", "");
    WIN_REQUIRE(form1.File1.setPath(platform::win32::utf8FromWide(folder)));
    WIN_CHECK(form1.File1.ListCount() == 1 && form1.File1.List(0) == "a song.spc");
    WIN_CHECK(form1.File1.FileName().empty());
    form1.Label4.setCaption("C:\\Songs");
    form1.Text2.setAddress("QV-spc|STOP");
    press(form1.Command2);

    WIN_CHECK(pumpUntil([&] { return form1.File1.handle() != nullptr; }));
    WIN_CHECK(pumpUntil([&] { return printed(peer, "open #1 QV-spc|STOP"); }));
    WIN_CHECK(::SendMessageW(form1.File1.handle(), LB_GETCOUNT, 0, 0) == 1);
    WIN_CHECK(form1.Label4.text() == "C:\\Songs");
    // The description's order, front to back: File1 first, Picture4 beneath it.
    WIN_CHECK(::GetWindow(form1.File1.handle(), GW_HWNDNEXT) == form1.Picture4.handle());
    WIN_CHECK(form1.Text2.handle() == nullptr && form1.Text2.text() == "QV-spc|STOP");
    ::DeleteFileW((folder + L"\\a song.spc").c_str());
    ::RemoveDirectoryW(folder.c_str());
}

// Moved to a screen of another scale, the window is laid out again there: the system's
// rectangle, the controls' places, each picture chosen anew for the scale (a box showing
// another box's picture too), and all of it back at 96.
WIN_TEST(aScreenOfAnotherScaleLaysTheWindowOutAgain) {
    WIN_REQUIRE(win32::Form::registerClass() && win32::PictureBox::registerClass());
    win32::Win32Platform services;
    win32::Form1 form1(services.form1());
    services.startConversations();
    WIN_REQUIRE(form1.handle() != nullptr);
    form1.Picture2.onClick(); // the panel opens: the toggle shows Picture4's picture
    WIN_CHECK(form1.File1.handle() != nullptr); // the panel's windows come with it
    const SIZE open96 = win32::Picture("filelist-open.bmp", 96).size();
    const SIZE banner96 = win32::Picture("banner.jpg", 96).size();
    // Text1 (1530, 1800, 3690 x 315 twips) where the Linux program draws it at each scale:
    // its place at 96 (102, 120, 246 x 21), each edge scaled and rounded.
    struct Scale {
        int dpi;
        RECT text1;
    };
    for (const auto& [dpi, text1] :
         {Scale{120, {128, 150, 435, 176}}, Scale{144, {153, 180, 522, 212}},
          Scale{192, {204, 240, 696, 282}}, Scale{96, {102, 120, 348, 141}}}) {
        RECT suggested{40, 30, 40 + 3 * dpi, 30 + 2 * dpi};
        ::SendMessageW(form1.handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                       reinterpret_cast<LPARAM>(&suggested));
        RECT outer;
        ::GetWindowRect(form1.handle(), &outer);
        WIN_CHECK(::EqualRect(&outer, &suggested));
        const RECT text = form1.Text1.bounds();
        WIN_CHECK(::EqualRect(&text, &text1));

        const auto whole = [dpi](LONG pixels) { return ::MulDiv(pixels, dpi, 96); };
        RECT toggle;
        ::GetClientRect(form1.Picture2.handle(), &toggle);
        // The box's edges fall on the screen's pixels: its picture fills it within a pixel.
        WIN_CHECK(std::abs(toggle.right - whole(open96.cx)) <= 1);
        WIN_CHECK(std::abs(toggle.bottom - whole(open96.cy)) <= 1);
        const SIZE banner = form1.control<win32::PictureBox>("Picture1").picture().size();
        WIN_CHECK(banner.cx == whole(banner96.cx));
        WIN_CHECK(banner.cy == whole(banner96.cy));
    }
}

WIN_TEST(theSongUnderThePointerShowsItsTagsAsATooltip) {
    wintest::LinkPeer peer;
    WIN_REQUIRE(peer.ready());
    WIN_REQUIRE(win32::Form::registerClass() && win32::PictureBox::registerClass());
    win32::Win32Platform services;
    win32::Form1 form1(services.form1());
    services.startConversations();
    WIN_REQUIRE(form1.handle() != nullptr);
    ::ShowWindow(form1.handle(), SW_SHOWNORMAL);
    const float closedHeight = form1.Height();
    press(form1.Picture2);
    WIN_REQUIRE(pumpUntil([&] { return form1.Height() > closedHeight; }));

    wchar_t temporary[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temporary);
    const std::wstring folder =
        std::wstring(temporary) + L"ostrane-tags-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(folder.c_str(), nullptr);
    writeSong(folder + L"\\1 tagged.spc", "Ending Theme");
    writeSong(folder + L"\\2 untagged.spc", "");
    WIN_REQUIRE(form1.File1.setPath(platform::win32::utf8FromWide(folder)));

    win32::FileListBox& list = form1.File1;
    // hover(ENTRY): the pointer comes to rest on the entry's middle.
    const auto hover = [&](int entry) {
        RECT row{};
        ::SendMessageW(list.handle(), LB_GETITEMRECT, static_cast<WPARAM>(entry),
                       reinterpret_cast<LPARAM>(&row));
        POINT at{(row.left + row.right) / 2, (row.top + row.bottom) / 2};
        const LPARAM client = MAKELPARAM(at.x, at.y);
        ::ClientToScreen(list.handle(), &at);
        ::SetCursorPos(at.x, at.y);
        ::PostMessageW(list.handle(), WM_MOUSEMOVE, 0, client);
    };
    hover(0);
    WIN_REQUIRE(pumpUntil([&] { return list.songTip().shown(); }));
    WIN_CHECK_EQ(platform::win32::utf8FromWide(tipText(list.songTip().handle())),
                 "Ending Theme\nGame\n2:05");
    // On the untagged song the tooltip goes and stays away once its header has been read.
    hover(1);
    WIN_CHECK(pumpUntil([&] { return !list.songTip().shown(); }));
    WIN_CHECK(pumpUntil([&] { return list.pointedSongRead(); }));
    pumpUntil([] { return ::PeekMessageW(nullptr, nullptr, 0, 0, PM_NOREMOVE) == FALSE; });
    WIN_CHECK(!list.songTip().shown());
    // Back on the tagged song it shows again, from the cache; a new listing takes it away.
    hover(0);
    WIN_CHECK(pumpUntil([&] { return list.songTip().shown(); }));
    WIN_CHECK(list.setPath(platform::win32::utf8FromWide(folder)));
    WIN_CHECK(!list.songTip().shown());

    ::DeleteFileW((folder + L"\\1 tagged.spc").c_str());
    ::DeleteFileW((folder + L"\\2 untagged.spc").c_str());
    ::RemoveDirectoryW(folder.c_str());
}
