#include "win32/filelistbox.h"

#include "core/songlisting.h"
#include "platform/win32/widetext.h"

namespace ostrane::win32 {

using platform::win32::utf8FromWide;
using platform::win32::wideFromUtf8;

namespace {

// The folder as a full path: relative parts resolved, no trailing separator but at a root.
std::optional<std::string> fullFolderPath(const std::string& path) {
    const std::optional<std::wstring> wide = wideFromUtf8(path);
    if (!wide || wide->empty())
        return std::nullopt;
    const DWORD needed = ::GetFullPathNameW(wide->c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return std::nullopt;
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(wide->c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return std::nullopt;
    full.resize(length);
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/'))
        full.pop_back();
    return utf8FromWide(full);
}

std::string currentFolder() {
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(needed, L'\0');
    folder.resize(::GetCurrentDirectoryW(needed, folder.data()));
    return utf8FromWide(folder);
}

} // namespace

FileListBox::FileListBox(HWND form, const core::ControlDescription& row,
                         const core::TwipScale& scale, HFONT formFont, core::FolderReader& reader)
    : Control(form, row, scale, L"LISTBOX",
              LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, formFont, {}),
      pattern_(row.caption), reader_(reader) {
    if (!setPath(currentFolder()))
        path_ = currentFolder();
}

bool FileListBox::setPath(const std::string& path) {
    const std::optional<std::string> full = fullFolderPath(path);
    if (!full)
        return false;
    auto names = core::listSongs(reader_, *full, pattern_);
    if (!names)
        return false;
    path_ = *full;
    names_ = std::move(*names);
    ::SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(window_, LB_RESETCONTENT, 0, 0);
    for (const std::string& name : names_) {
        const std::wstring shown = wideFromUtf8(name).value_or(L"");
        ::SendMessageW(window_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    }
    ::SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(window_, nullptr, TRUE);
    return true;
}

std::string FileListBox::FileName() const {
    const LRESULT selected = ::SendMessageW(window_, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR || selected < 0 || static_cast<std::size_t>(selected) >= names_.size())
        return {};
    return names_[static_cast<std::size_t>(selected)];
}

bool FileListBox::pointerOverEntry() const {
    const DWORD at = ::GetMessagePos();
    POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    ::ScreenToClient(window_, &point);
    const LRESULT found =
        ::SendMessageW(window_, LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y));
    // The high word is set when the point lies outside every entry.
    return HIWORD(found) == 0;
}

bool FileListBox::keyPressed(WPARAM key) {
    if (key != VK_RETURN)
        return false;
    if (onDoubleClick)
        onDoubleClick();
    return true;
}

void FileListBox::command(WORD code) {
    // A list box reports a double click below its last entry too, as one on that entry.
    if (code == LBN_DBLCLK && pointerOverEntry() && onDoubleClick)
        onDoubleClick();
}

} // namespace ostrane::win32
