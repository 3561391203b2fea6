#pragma once

#include "core/notificationicon.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace ostrane::core {

// The main window's notification record, in the field order and widths of the shell's
// 88-byte record.
struct TrayIcon {
    static constexpr std::uint32_t Size = NotifyIconLayout::Size;
    static constexpr std::uint32_t FlagMessage = 1;
    static constexpr std::uint32_t FlagIcon = 2;
    static constexpr std::uint32_t FlagTip = 4;
    static constexpr std::uint32_t MouseMove = 512;

    std::uint32_t cbSize = 0;
    std::uint32_t hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    std::uint32_t hIcon = 0;
    std::array<char, 64> szTip{};

    static constexpr std::uint32_t Id = 1;
    static constexpr std::string_view Tip = "QV-SPC Ostrane";

    // Fills the record as the main window's load does, field by field in the record's order:
    // the window that receives the callbacks, the program's icon and the tip.
    void fillForAdd(std::uint32_t window, std::uint32_t icon);
    // Writes again the fields that name the icon to the shell before it is deleted; the
    // others keep what the load wrote.
    void fillForDelete(std::uint32_t window);

    // Left-aligned as a fixed-length field takes a text: the text, one NUL, then spaces to
    // the field's end. A text too long for the field is cut so that the NUL still fits.
    void setTip(std::string_view text);

    // The bytes as the shell reads them, integers little-endian.
    NotifyIconRecord bytes() const;
};

static_assert(sizeof(TrayIcon) == TrayIcon::Size);

} // namespace ostrane::core
