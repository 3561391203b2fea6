#include "core/trayicon.h"

#include <algorithm>

namespace ostrane::core {

void TrayIcon::setTip(std::string_view text) {
    const std::size_t length = std::min(text.size(), szTip.size() - 1);
    std::copy_n(text.begin(), length, szTip.begin());
    szTip[length] = '\0';
    std::fill(szTip.begin() + static_cast<std::ptrdiff_t>(length) + 1, szTip.end(), ' ');
}

NotifyIconRecord TrayIcon::bytes() const {
    using Layout = NotifyIconLayout;
    NotifyIconRecord record{};
    auto put = [&record](std::size_t offset, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i)
            record[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    put(Layout::CbSize, cbSize);
    put(Layout::Owner, hWnd);
    put(Layout::Id, uID);
    put(Layout::Flags, uFlags);
    put(Layout::CallbackMessage, uCallbackMessage);
    put(Layout::Icon, hIcon);
    std::copy(szTip.begin(), szTip.end(), record.begin() + Layout::Tip);
    return record;
}

void TrayIcon::fillForAdd(std::uint32_t window, std::uint32_t icon) {
    cbSize = Size;
    hWnd = window;
    uID = Id;
    uFlags = FlagMessage | FlagIcon | FlagTip;
    uCallbackMessage = MouseMove;
    hIcon = icon;
    setTip(Tip);
}

void TrayIcon::fillForDelete(std::uint32_t window) {
    cbSize = Size;
    hWnd = window;
    uID = Id;
}

} // namespace ostrane::core
