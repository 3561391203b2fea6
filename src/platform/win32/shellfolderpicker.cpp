#include "platform/win32/shellfolderpicker.h"

#include "platform/win32/systemroutine.h"
#include "platform/win32/widetext.h"
#include "platform/win32/win32api.h"

namespace ostrane::platform::win32 {

namespace {

constexpr UINT onlyFileSystemFolders = 1; // BIF_RETURNONLYFSDIRS

// The shell's and COM's routines the dialog needs, loaded with its first use.
struct DialogRoutines {
    decltype(::CoInitializeEx)* enterApartment =
        systemRoutine<decltype(::CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
    decltype(::CoUninitialize)* leaveApartment =
        systemRoutine<decltype(::CoUninitialize)>(L"ole32.dll", "CoUninitialize");
    decltype(::CoTaskMemFree)* free =
        systemRoutine<decltype(::CoTaskMemFree)>(L"ole32.dll", "CoTaskMemFree");
    decltype(::SHBrowseForFolderA)* browse =
        systemRoutine<decltype(::SHBrowseForFolderA)>(L"shell32.dll", "SHBrowseForFolderA");
    decltype(::SHGetPathFromIDListW)* pathOf =
        systemRoutine<decltype(::SHGetPathFromIDListW)>(L"shell32.dll", "SHGetPathFromIDListW");

    bool complete() const { return enterApartment && leaveApartment && free && browse && pathOf; }
};

const DialogRoutines& dialogRoutines() {
    static const DialogRoutines routines;
    return routines;
}

// The dialog needs COM on its thread; joins the apartment already there or enters one for
// the call.
class ComApartment {
public:
    ComApartment()
        : entered_(SUCCEEDED(dialogRoutines().enterApartment(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (entered_)
            dialogRoutines().leaveApartment();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool entered_;
};

} // namespace

std::string ShellFolderPicker::pick(core::WindowHandle owner, std::string_view prompt) {
    const DialogRoutines& routines = dialogRoutines();
    if (!routines.complete())
        return {};
    const ComApartment apartment;

    BROWSEINFOA browse{};
    browse.hwndOwner = reinterpret_cast<HWND>(owner);
    browse.ulFlags = onlyFileSystemFolders;
    // The 8-bit copy must outlive the dialog: the record points into it.
    std::string title = codePageFromUtf8(prompt);
    browse.lpszTitle = ::lstrcatA(title.data(), "");

    const PIDLIST_ABSOLUTE folder = routines.browse(&browse);
    if (folder == nullptr)
        return {};

    wchar_t path[MAX_PATH] = {};
    routines.pathOf(folder, path);
    routines.free(folder);
    // The buffer is NUL-filled behind the path: the path is what stands before the first NUL.
    const std::wstring_view buffer(path, MAX_PATH);
    return utf8FromWide(buffer.substr(0, buffer.find(L'\0')));
}

} // namespace ostrane::platform::win32
