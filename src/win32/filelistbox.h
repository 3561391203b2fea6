#pragma once

#include "core/filepattern.h"
#include "core/folderreader.h"
#include "win32/control.h"

#include <functional>
#include <string>
#include <vector>

namespace ostrane::win32 {

// The files of one folder whose names match the control's patterns, in natural order. It
// starts in the process's current folder.
class FileListBox final : public Control {
public:
    FileListBox(HWND form, const core::ControlDescription& row, const core::TwipScale& scale,
                HFONT formFont, core::FolderReader& reader);

    // The listed folder, full and without a trailing separator except at a drive's root.
    const std::string& Path() const { return path_; }
    // Lists `path`'s files. When the folder cannot be read, fails and keeps the list and the
    // path as they were.
    [[nodiscard]] bool setPath(const std::string& path);

    // The selected entry's name, "" when none is selected.
    std::string FileName() const;
    int ListCount() const { return static_cast<int>(names_.size()); }
    const std::string& List(int index) const { return names_.at(static_cast<std::size_t>(index)); }

    void command(WORD code) override;
    // Return acts on the selected entry as a double click does.
    bool keyPressed(WPARAM key) override;

    // A double click on an entry; one beside the entries is not reported.
    std::function<void()> onDoubleClick;

private:
    bool pointerOverEntry() const;

    core::FilePattern pattern_;
    core::FolderReader& reader_;
    std::string path_;
    std::vector<std::string> names_;
};

} // namespace ostrane::win32
