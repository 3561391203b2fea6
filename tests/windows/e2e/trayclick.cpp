// Double-clicks the notification icons that Wine's shell docks into an XEmbed tray, as the
// pointer would: the left button down, up, double click and up, posted to each icon's window
// in the shell, which turns them into the icon's callback to its owner as it does for real
// clicks. Wine 8 on Xvfb does not hand the X server's pointer events to a docked icon.
//
//   trayclick.exe        prints the number of icons found and double-clicks each; fails when
//                        there is none
#include <cstdio>
#include <cwchar>
#include <initializer_list>
#include <vector>
#include <windows.h>

namespace {

BOOL CALLBACK collect(HWND window, LPARAM found) {
    wchar_t name[128] = {};
    ::GetClassNameW(window, name, 128);
    if (std::wcscmp(name, L"__winex11_tray_icon") == 0)
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

// Docked icons are children of the shell's tray windows.
BOOL CALLBACK collectChildren(HWND window, LPARAM found) {
    collect(window, found);
    ::EnumChildWindows(window, collect, found);
    return TRUE;
}

} // namespace

int main() {
    std::vector<HWND> icons;
    ::EnumWindows(collectChildren, reinterpret_cast<LPARAM>(&icons));
    std::printf("%zu\n", icons.size());
    for (HWND icon : icons)
        for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
            ::PostMessageW(icon, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                           MAKELPARAM(5, 5));
    return icons.empty() ? 1 : 0;
}
