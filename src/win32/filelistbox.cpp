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

FileListBox::FileListBox(const core::ControlDescription& row, const core::TwipScale& scale,
                         HFONT formFont, core::FolderReader& reader,
                         core::SongFileOpener* songFiles)
    : Control(row, scale, L"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
              formFont, {}),
      pattern_(row.caption), reader_(reader), songFiles_(songFiles) {
    if (!setPath(currentFolder()))
        path_ = currentFolder();
}

FileListBox::~FileListBox() {
    if (listProcedure_ != nullptr && ::IsWindow(window_))
        ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listProcedure_));
}

void FileListBox::windowCreated() {
    tip_.emplace(window_);
    descriptions_.emplace(window_);
    if (songFiles_ != nullptr) {
        // The cache answers on its own thread; the window's thread takes the answer from there.
        tags_ = std::make_unique<core::SongTagCache>(
            *songFiles_,
            [list = window_](std::uint64_t generation, const std::string&, const std::string&) {
                ::PostMessageW(list, tagsReadMessage, static_cast<WPARAM>(generation), 0);
            });
        tags_->setFolder(path_);
    }
    // In front of the list's own procedure (and of the edge's, where the row gives one).
    listProcedure_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watchPointer)));
    showNames();
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
    if (window_ == nullptr)
        return true;
    forgetPointer();
    descriptions_->clear();
    if (tags_)
        tags_->setFolder(path_);
    showNames();
    return true;
}

void FileListBox::showNames() {
    ::SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(window_, LB_RESETCONTENT, 0, 0);
    for (const std::string_view name : names_) {
        const std::wstring shown = wideFromUtf8(name).value_or(L"");
        ::SendMessageW(window_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    }
    ::SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(window_, nullptr, TRUE);
}

std::string FileListBox::FileName() const {
    if (window_ == nullptr)
        return {};
    const LRESULT selected = ::SendMessageW(window_, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR || selected < 0 || static_cast<std::size_t>(selected) >= names_.size())
        return {};
    return std::string(names_[static_cast<std::size_t>(selected)]);
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
    if (code == LBN_SELCHANGE)
        showKnownTags();
}

LRESULT CALLBACK FileListBox::watchPointer(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    auto* self = static_cast<FileListBox*>(Control::from(window));
    if (self == nullptr)
        return ::DefWindowProcW(window, message, wParam, lParam);
    FileListBox& list = *self;
    switch (message) {
    case WM_MOUSEMOVE:
        list.pointerMoved({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        break;
    case WM_MOUSELEAVE:
        list.leaveWatched_ = false;
        list.forgetPointer();
        break;
    case WM_TIMER:
        if (wParam != reinterpret_cast<WPARAM>(&list))
            break;
        ::KillTimer(window, wParam);
        list.pointerRests_ = true;
        list.showKnownTags();
        return 0;
    case tagsReadMessage:
        // Tags read for a folder listed before are no tags of these songs.
        if (list.tags_ && static_cast<std::uint64_t>(wParam) == list.tags_->generation())
            list.showKnownTags();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_VSCROLL:
    case WM_KEYDOWN:
        list.forgetPointer();
        break;
    default:
        break;
    }
    return ::CallWindowProcW(list.listProcedure_, window, message, wParam, lParam);
}

void FileListBox::pointerMoved(POINT at) {
    if (!leaveWatched_) {
        TRACKMOUSEEVENT leave{sizeof leave, TME_LEAVE, window_, 0};
        leaveWatched_ = ::TrackMouseEvent(&leave) != FALSE;
    }
    const LRESULT found = ::SendMessageW(window_, LB_ITEMFROMPOINT, 0, MAKELPARAM(at.x, at.y));
    const int entry = HIWORD(found) == 0 ? LOWORD(found) : -1;
    if (entry == pointedEntry_)
        return;
    forgetPointer();
    pointedEntry_ = entry;
    pointer_ = at;
    ::ClientToScreen(window_, &pointer_);
    if (entry < 0)
        return;
    UINT hoverTime = HOVER_DEFAULT;
    ::SystemParametersInfoW(SPI_GETMOUSEHOVERTIME, 0, &hoverTime, 0);
    // The timer's id is the list's own address, which no other timer of the window uses.
    ::SetTimer(window_, reinterpret_cast<UINT_PTR>(this), hoverTime, nullptr);
}

bool FileListBox::pointedSongRead() const {
    return tags_ && pointerRests_ && pointedEntry_ >= 0 &&
           static_cast<std::size_t>(pointedEntry_) < names_.size() &&
           tags_->tooltip(std::string(names_[static_cast<std::size_t>(pointedEntry_)])).has_value();
}

void FileListBox::forgetPointer() {
    ::KillTimer(window_, reinterpret_cast<UINT_PTR>(this));
    tip_->hide();
    pointedEntry_ = -1;
    pointerRests_ = false;
}

void FileListBox::showKnownTags() {
    const auto tooltipOf = [this](int entry) -> std::optional<std::string> {
        if (!tags_ || entry < 0 || static_cast<std::size_t>(entry) >= names_.size())
            return std::nullopt;
        const std::string name(names_[static_cast<std::size_t>(entry)]);
        std::optional<std::string> known = tags_->tooltip(name);
        if (!known)
            tags_->request(name);
        return known;
    };
    // The entry pointed at is asked last: the cache reads the latest request first.
    const auto selected = static_cast<int>(::SendMessageW(window_, LB_GETCURSEL, 0, 0));
    if (selected != pointedEntry_ || !pointerRests_)
        if (const std::optional<std::string> text = tooltipOf(selected))
            descriptions_->describe(selected, *text);
    if (pointerRests_ && !tip_->shown()) {
        if (const std::optional<std::string> text = tooltipOf(pointedEntry_)) {
            tip_->show(*text, pointer_);
            descriptions_->describe(pointedEntry_, *text);
        }
    }
}

} // namespace ostrane::win32
