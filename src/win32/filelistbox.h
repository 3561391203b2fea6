#pragma once

#include "core/filepattern.h"
#include "core/folderreader.h"
#include "core/namelist.h"
#include "core/songtagcache.h"
#include "win32/control.h"
#include "win32/itemdescriptions.h"
#include "win32/pointertip.h"

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ostrane::win32 {

// The files of one folder whose names match the control's patterns, in natural order. It
// starts in the process's current folder. The song under a resting pointer shows its tags as
// a tooltip, and the tags of the songs pointed at or selected are their items' accessible
// descriptions; they are read on the song tag cache's own thread, never on the window's.
class FileListBox final : public Control {
public:
    FileListBox(const core::ControlDescription& row, const core::TwipScale& scale, HFONT formFont,
                core::FolderReader& reader, core::SongFileOpener* songFiles);
    ~FileListBox() override;

    // The listed folder, full and without a trailing separator except at a drive's root.
    const std::string& Path() const { return path_; }
    // Lists `path`'s files. When the folder cannot be read, fails and keeps the list and the
    // path as they were.
    [[nodiscard]] bool setPath(const std::string& path);

    // The selected entry's name, "" when none is selected (none is before the list's window
    // is made).
    std::string FileName() const;
    int ListCount() const { return static_cast<int>(names_.size()); }
    std::string_view List(int index) const {
        if (index < 0 || static_cast<std::size_t>(index) >= names_.size())
            throw std::out_of_range("no such entry in the song list");
        return names_[static_cast<std::size_t>(index)];
    }

    void command(WORD code) override;
    // Return acts on the selected entry as a double click does.
    bool keyPressed(WPARAM key) override;

    // A double click on an entry; one beside the entries is not reported.
    std::function<void()> onDoubleClick;

    // The tooltip of the song under the pointer, once it has been shown; the list's window
    // must have been made.
    const PointerTip& songTip() const { return *tip_; }
    // The pointer rests on a song whose tags have been read (or found missing).
    bool pointedSongRead() const;

private:
    // The tags' reader, the tip and the descriptions belong to the window, which takes the
    // names listed so far.
    void windowCreated() override;
    void showNames();
    bool pointerOverEntry() const;

    static LRESULT CALLBACK watchPointer(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void pointerMoved(POINT at);
    // The pointer left, or the entries moved beneath it: no entry is pointed at until it moves.
    void forgetPointer();
    // The tags of the entry pointed at and of the selected one, where they are known; the
    // others are asked of the cache, which answers with tagsReadMessage.
    void showKnownTags();

    static constexpr UINT tagsReadMessage = WM_APP + 23;

    core::FilePattern pattern_;
    core::FolderReader& reader_;
    std::string path_;
    core::NameList names_;
    // Nothing when the list was given no way to open song files.
    core::SongFileOpener* songFiles_;
    std::unique_ptr<core::SongTagCache> tags_;
    std::optional<PointerTip> tip_;
    std::optional<ItemDescriptions> descriptions_;
    int pointedEntry_ = -1;
    // The pointer has rested on the entry for the system's hover time.
    bool pointerRests_ = false;
    bool leaveWatched_ = false;
    WNDPROC listProcedure_ = nullptr;
    POINT pointer_{};
};

} // namespace ostrane::win32
