#include "win32/form1.h"
#include "win32/picturebox.h"
#include "win32/win32platform.h"

namespace {

// Shows the main window and handles messages until the program ends; the status to end with.
int runUntilEnd(ostrane::win32::Form1& form1, ostrane::win32::Win32Platform& platform,
                int showCommand) {
    form1.Form1_Load();
    ::ShowWindow(form1.handle(), showCommand == SW_HIDE ? SW_SHOWNORMAL : showCommand);
    // The whole first frame, controls included, is drawn before the message loop starts.
    ::RedrawWindow(form1.handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Only now: the conversations' thread started beside the window's making slowed it.
    platform.startConversations();

    MSG message;
    BOOL got;
    while ((got = ::GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (ostrane::win32::Form::keyDown(message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return got < 0 ? 1 : static_cast<int>(message.wParam);
}

} // namespace

// The command line is not the program's to read.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    // The windows scale themselves by the screen's dots per inch (twips, fonts, pictures):
    // the system must not stretch them as well. The manifest says so screen by screen; this
    // is for a system that reads no such manifest, and does nothing where one was read.
    ::SetProcessDPIAware();
    // No COM here: the pictures are bitmaps, and the folder dialog enters COM for itself. The
    // shell's library comes with the notification icon, the common controls' with the tips.
    if (!ostrane::win32::Form::registerClass() || !ostrane::win32::PictureBox::registerClass())
        return 1;

    ostrane::win32::Win32Platform platform;
    ostrane::win32::Form1 form1(platform.form1());
    if (form1.handle() == nullptr)
        return 1;
    const int status = runUntilEnd(form1, platform, showCommand);
    // The closes asked for reach the player first: the conversations' end waits for them
    // `Win32Platform::stopBound` at most. The windows then go with the process, not one by one:
    // Wine hides a top-level window only once the window manager has withdrawn it, and waits 2 s
    // for one that never does.
    platform.endConversations();
    ::ExitProcess(static_cast<UINT>(status));
}
