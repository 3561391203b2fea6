#pragma once

#include "core/trayicon.h"
#include "platform/win32/shellnotificationicon.h"

namespace ostrane::wintest {

// The icon's record as Form1 fills it at load.
inline app::TrayIcon loadRecord(const platform::win32::ShellNotificationIcon& icon) {
    app::TrayIcon record;
    record.cbSize = app::TrayIcon::Size;
    record.hWnd = icon.callbackWindow();
    record.uID = 1;
    record.uFlags = app::TrayIcon::FlagMessage | app::TrayIcon::FlagIcon | app::TrayIcon::FlagTip;
    record.uCallbackMessage = app::TrayIcon::MouseMove;
    record.hIcon = icon.programIcon();
    record.setTip("QV-SPC Ostrane");
    return record;
}

} // namespace ostrane::wintest
