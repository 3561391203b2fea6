#include "win32/form5.h"

#include "core/placement.h"
#include "win32/picturebox.h"

namespace ostrane::win32 {

namespace {

constexpr DWORD Form5Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

} // namespace

Form5::Form5(ControlServices services) : Form(core::form5Description(), Form5Style, services) {
    control<PictureBox>("Picture3").onClick = [this] { Picture3_Click(); };
}

void Form5::Form5_Load() {
    RECT outer{};
    ::GetWindowRect(handle(), &outer);
    const int left = core::centredInWholeTwips(scale().twipsX(::GetSystemMetrics(SM_CXSCREEN)),
                                               scale().twipsX(outer.right - outer.left));
    ::SetWindowPos(handle(), nullptr, scale().pixelsX(static_cast<float>(left)), outer.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::GetWindowRect(handle(), &outer);
    const int top = core::centredInWholeTwips(scale().twipsY(::GetSystemMetrics(SM_CYSCREEN)),
                                              scale().twipsY(outer.bottom - outer.top));
    ::SetWindowPos(handle(), nullptr, outer.left, scale().pixelsY(static_cast<float>(top)), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form5::show() {
    ::ShowWindow(handle(), ::IsIconic(handle()) ? SW_RESTORE : SW_SHOW);
    ::BringWindowToTop(handle());
    ::SetForegroundWindow(handle());
}

void Form5::Picture3_Click() {
    ::DestroyWindow(handle());
}

std::optional<LRESULT> Form5::onMessage(UINT message, WPARAM, LPARAM) {
    if (message == WM_DESTROY && loaded_) {
        loaded_ = false;
        if (onUnload)
            onUnload();
    }
    return std::nullopt;
}

} // namespace ostrane::win32
