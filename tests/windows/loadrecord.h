#pragma once

#include "core/trayicon.h"
#include "platform/win32/shellnotificationicon.h"

namespace ostrane::wintest {

// The icon's record as Form1 fills it at load.
inline core::TrayIcon loadRecord(const platform::win32::ShellNotificationIcon& icon) {
    core::TrayIcon record;
    record.cbSize = core::TrayIcon::Size;
    record.hWnd = icon.callbackWindow();
    record.uID = 1;
    record.uFlags =
        core::TrayIcon::FlagMessage | core::TrayIcon::FlagIcon | core::TrayIcon::FlagTip;
    record.uCallbackMessage = core::TrayIcon::MouseMove;
    record.hIcon = icon.programIcon();
    record.setTip("QV-SPC Ostrane");
    return record;
}

} // namespace ostrane::wintest
