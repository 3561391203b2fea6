#include "platform/win32/ddeconversations.h"
#include "platform/win32/findfilefolderreader.h"
#include "platform/win32/shellfolderpicker.h"
#include "platform/win32/shellnotificationicon.h"
#include "win32/form1.h"
#include "win32/picturebox.h"

namespace {

namespace win32 = ostrane::platform::win32;

// Tab moves the keyboard between the controls of the window it was pressed in.
bool tabbed(const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB)
        return false;
    const HWND root = ::GetAncestor(message.hwnd, GA_ROOT);
    auto* form =
        root != nullptr
            ? reinterpret_cast<ostrane::win32::Form*>(::GetWindowLongPtrW(root, GWLP_USERDATA))
            : nullptr;
    if (form == nullptr || form->handle() != root)
        return false;
    form->tabFocus(::GetKeyState(VK_SHIFT) < 0);
    return true;
}

} // namespace

// The command line is not the program's to read.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    // The folder dialog and the picture decoder need OLE on this thread.
    const bool ole = SUCCEEDED(::OleInitialize(nullptr));
    const INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&common);
    if (!ostrane::win32::Form::registerClass() || !ostrane::win32::PictureBox::registerClass())
        return 1;

    int status = 0;
    {
        win32::DdeConversations conversations;
        win32::ShellFolderPicker folderPicker;
        win32::ShellNotificationIcon notificationIcon;
        win32::FindFileFolderReader folderReader;
        ostrane::win32::Form1 form1({conversations, folderPicker, notificationIcon, folderReader});
        if (form1.handle() == nullptr)
            return 1;
        form1.Form1_Load();
        ::ShowWindow(form1.handle(), showCommand == SW_HIDE ? SW_SHOWNORMAL : showCommand);
        // The whole first frame, controls included, is drawn before the message loop starts.
        ::RedrawWindow(form1.handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);

        MSG message;
        BOOL got;
        while ((got = ::GetMessageW(&message, nullptr, 0, 0)) > 0) {
            if (tabbed(message))
                continue;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        status = got < 0 ? 1 : static_cast<int>(message.wParam);
    }
    if (ole)
        ::OleUninitialize();
    return status;
}
