// A stand-in for the shell's notification area, for a prefix that has none: a window of the
// shell's class that takes every icon and prints "icon" for each request, announced with
// TaskbarCreated as a starting shell announces itself. It runs until it is ended.

#include <cstdio>
#include <windows.h>

namespace {

LRESULT CALLBACK trayProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        std::puts("icon");
        std::fflush(stdout);
        return TRUE;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int main() {
    WNDCLASSW trayClass{};
    trayClass.lpfnWndProc = trayProcedure;
    trayClass.hInstance = ::GetModuleHandleW(nullptr);
    trayClass.lpszClassName = L"Shell_TrayWnd";
    if (::RegisterClassW(&trayClass) == 0 ||
        ::CreateWindowExW(0, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                          trayClass.hInstance, nullptr) == nullptr)
        return 1;
    ::PostMessageW(HWND_BROADCAST, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    std::puts("ready");
    std::fflush(stdout);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&message);
    return 0;
}
