#include "platform/win32/shellfolderpicker.h"

#include "platform/win32/widetext.h"
#include "platform/win32/win32api.h"

namespace ostrane::platform::win32 {

namespace {

constexpr UINT onlyFileSystemFolders = 1; // BIF_RETURNONLYFSDIRS

// The dialog needs COM on its thread; joins the apartment already there or enters one for
// the call.
class ComApartment {
public:
    ComApartment() : entered_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (entered_)
            ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool entered_;
};

} // namespace

std::string ShellFolderPicker::pick(core::WindowHandle owner, std::string_view prompt) {
    const ComApartment apartment;

    BROWSEINFOA browse{};
    browse.hwndOwner = reinterpret_cast<HWND>(owner);
    browse.ulFlags = onlyFileSystemFolders;
    // The 8-bit copy must outlive the dialog: the record points into it.
    std::string title = codePageFromUtf8(prompt);
    browse.lpszTitle = ::lstrcatA(title.data(), "");

    const PIDLIST_ABSOLUTE folder = ::SHBrowseForFolderA(&browse);
    if (folder == nullptr)
        return {};

    wchar_t path[MAX_PATH] = {};
    ::SHGetPathFromIDListW(folder, path);
    ::CoTaskMemFree(folder);
    // The buffer is NUL-filled behind the path: the path is what stands before the first NUL.
    const std::wstring_view buffer(path, MAX_PATH);
    return utf8FromWide(buffer.substr(0, buffer.find(L'\0')));
}

} // namespace ostrane::platform::win32
