#include "platform/win32/shellnotificationicon.h"

#include "platform/win32/systemroutine.h"

#include <cstddef>
#include <cstring>

namespace ostrane::platform::win32 {

namespace {

constexpr wchar_t windowClassName[] = L"OstraneNotificationIcon";
// The resource id of the program's icon in its version resource.
constexpr int programIconResource = 1;
// Posted to the icon's window when the shell's process ended.
constexpr UINT shellEndedMessage = WM_APP + 1;

// User handles carry 32 significant bits on 64-bit Windows too: the record's 32-bit fields
// are sign-extended back into handles.
template <typename Handle> Handle handleFrom(std::uint32_t value) {
    return reinterpret_cast<Handle>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}

template <typename Handle> std::uint32_t fieldFrom(Handle handle) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
}

ATOM registerWindowClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = windowClassName;
    const ATOM atom = ::RegisterClassExW(&windowClass);
    // A second icon object in the process finds the class registered already.
    return atom != 0
               ? atom
               : static_cast<ATOM>(::GetClassInfoExW(instance, windowClassName, &windowClass));
}

// The shell's routine, loaded with the first icon: false when the shell is missing.
BOOL notifyShell(DWORD message, NOTIFYICONDATAA* data) {
    static decltype(::Shell_NotifyIconA)* const notify =
        systemRoutine<decltype(::Shell_NotifyIconA)>(L"shell32.dll", "Shell_NotifyIconA");
    return notify != nullptr ? notify(message, data) : FALSE;
}

} // namespace

ShellNotificationIcon::ShellNotificationIcon(HICON icon) : icon_(icon) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (icon_ == nullptr)
        icon_ = ::LoadIconW(instance, MAKEINTRESOURCEW(programIconResource));
    if (icon_ == nullptr)
        icon_ = ::LoadIconW(nullptr, MAKEINTRESOURCEW(32512)); // IDI_APPLICATION
    taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");
}

HWND ShellNotificationIcon::window() const {
    if (window_ != nullptr)
        return window_;
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    // A top-level window, never shown: message-only windows do not hear the shell's
    // broadcast that the notification area was created anew.
    if (registerWindowClass(instance, windowProcedure) != 0)
        window_ = ::CreateWindowExW(0, windowClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    instance, const_cast<ShellNotificationIcon*>(this));
    return window_;
}

ShellNotificationIcon::~ShellNotificationIcon() {
    if (added_)
        remove(*added_);
    stopWatchingShell();
    if (window_ != nullptr)
        ::DestroyWindow(window_);
}

std::uint32_t ShellNotificationIcon::callbackWindow() const {
    return fieldFrom(window());
}

std::uint32_t ShellNotificationIcon::programIcon() const {
    return fieldFrom(icon_);
}

NOTIFYICONDATAA ShellNotificationIcon::shellRecord(const core::NotifyIconRecord& record) {
    NOTIFYICONDATAA data{};
    data.cbSize =
        core::recordField(record, core::NotifyIconLayout::CbSize) == core::NotifyIconLayout::Size
            ? NOTIFYICONDATAA_V1_SIZE
            : 0;
    data.hWnd = handleFrom<HWND>(core::recordField(record, core::NotifyIconLayout::Owner));
    data.uID = core::recordField(record, core::NotifyIconLayout::Id);
    data.uFlags = core::recordField(record, core::NotifyIconLayout::Flags);
    data.uCallbackMessage = core::recordField(record, core::NotifyIconLayout::CallbackMessage);
    data.hIcon = handleFrom<HICON>(core::recordField(record, core::NotifyIconLayout::Icon));
    // The first version of the record ends after the first 64 characters of the tip.
    static_assert(NOTIFYICONDATAA_V1_SIZE ==
                  offsetof(NOTIFYICONDATAA, szTip) + core::NotifyIconLayout::TipLength);
    std::memcpy(data.szTip, record.data() + core::NotifyIconLayout::Tip,
                core::NotifyIconLayout::TipLength);
    return data;
}

bool ShellNotificationIcon::add(const core::NotifyIconRecord& record) {
    NOTIFYICONDATAA data = shellRecord(record);
    // The window hears the shell's restarts and ends from the add on.
    window();
    if (data.cbSize == 0 || notifyShell(NIM_ADD, &data) == FALSE)
        return false;
    added_ = record;
    shellRunning_ = true;
    watchShell();
    return true;
}

bool ShellNotificationIcon::remove(const core::NotifyIconRecord& record) {
    NOTIFYICONDATAA data = shellRecord(record);
    if (data.cbSize == 0 || notifyShell(NIM_DELETE, &data) == FALSE)
        return false;
    if (added_ && data.hWnd == shellRecord(*added_).hWnd && data.uID == shellRecord(*added_).uID) {
        added_.reset();
        stopWatchingShell();
    }
    return true;
}

void ShellNotificationIcon::handle(UINT message, LPARAM lParam) {
    if (message == taskbarCreated_ && added_) {
        addAgain();
    } else if (message == shellEndedMessage) {
        shellEnded();
    } else if (added_ &&
               message == core::recordField(*added_, core::NotifyIconLayout::CallbackMessage) &&
               deliver_) {
        deliver_(static_cast<int>(LOWORD(lParam)));
    }
}

// A new shell has forgotten the icons of the last one: the icon comes back as it was.
void ShellNotificationIcon::addAgain() {
    NOTIFYICONDATAA data = shellRecord(*added_);
    if (notifyShell(NIM_ADD, &data) == FALSE)
        return;
    watchShell();
    if (!shellRunning_) {
        shellRunning_ = true;
        if (notifyShown_)
            notifyShown_();
    }
}

void ShellNotificationIcon::watchShell() {
    stopWatchingShell();
    DWORD processId = 0;
    if (const HWND tray = ::FindWindowW(L"Shell_TrayWnd", nullptr))
        ::GetWindowThreadProcessId(tray, &processId);
    if (processId == 0)
        return;
    shellProcess_ = ::OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (shellProcess_ != nullptr &&
        !::RegisterWaitForSingleObject(&shellWait_, shellProcess_, shellProcessEnded, window_,
                                       INFINITE, WT_EXECUTEONLYONCE)) {
        shellWait_ = nullptr;
        stopWatchingShell();
    }
}

void ShellNotificationIcon::stopWatchingShell() {
    if (shellWait_ != nullptr)
        ::UnregisterWaitEx(shellWait_, INVALID_HANDLE_VALUE); // waits for a running callback
    shellWait_ = nullptr;
    if (shellProcess_ != nullptr)
        ::CloseHandle(shellProcess_);
    shellProcess_ = nullptr;
}

// Runs on a thread of the pool: only the window's own thread may touch the icon.
void CALLBACK ShellNotificationIcon::shellProcessEnded(void* window, BOOLEAN) {
    ::PostMessageW(static_cast<HWND>(window), shellEndedMessage, 0, 0);
}

void ShellNotificationIcon::shellEnded() {
    // A message from a watch that a new shell has replaced since is stale.
    if (shellProcess_ == nullptr || ::WaitForSingleObject(shellProcess_, 0) != WAIT_OBJECT_0)
        return;
    stopWatchingShell();
    if (added_ && shellRunning_) {
        shellRunning_ = false;
        if (notifyShown_)
            notifyShown_();
    }
}

LRESULT CALLBACK ShellNotificationIcon::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                                        LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    } else if (auto* icon = reinterpret_cast<ShellNotificationIcon*>(
                   ::GetWindowLongPtrW(window, GWLP_USERDATA))) {
        icon->handle(message, lParam);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace ostrane::platform::win32
