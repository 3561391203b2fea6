#include "win32/form1.h"
#include "win32/picturebox.h"
#include "win32/win32platform.h"

// The command line is not the program's to read.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    // The windows scale themselves by the screen's dots per inch (twips, fonts, pictures):
    // the system must not stretch them as well.
    ::SetProcessDPIAware();
    // No COM here: the pictures are bitmaps, and the folder dialog enters COM for itself.
    // The common controls are the labels' tips.
    const INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&common);
    if (!ostrane::win32::Form::registerClass() || !ostrane::win32::PictureBox::registerClass())
        return 1;

    int status = 0;
    {
        ostrane::win32::Win32Platform platform;
        ostrane::win32::Form1 form1(platform.form1());
        if (form1.handle() == nullptr)
            return 1;
        form1.Form1_Load();
        ::ShowWindow(form1.handle(), showCommand == SW_HIDE ? SW_SHOWNORMAL : showCommand);
        // The whole first frame, controls included, is drawn before the message loop starts.
        ::RedrawWindow(form1.handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);

        MSG message;
        BOOL got;
        while ((got = ::GetMessageW(&message, nullptr, 0, 0)) > 0) {
            if (ostrane::win32::Form::keyDown(message))
                continue;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        status = got < 0 ? 1 : static_cast<int>(message.wParam);
    }
    return status;
}
