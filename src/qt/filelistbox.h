#pragma once

#include "core/filepattern.h"
#include "core/folderreader.h"
#include "core/songlisting.h"
#include "core/songtags.h"

#include <QListView>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace ostrane::core {
class SongTagCache;
}

namespace ostrane::qt {

class SongNames;

// A list of the files of one folder whose names match a pattern, in natural order. It
// starts in the process's current folder, listed on a thread of its own when its window asks
// (after the window's first frame), so that a folder of a million songs holds up neither that
// frame nor the window: the list fills when that listing is done, unless a folder was set
// meanwhile. What asks for the entries (ListCount, List, FileName) waits for that listing, or
// lists the folder itself if the window has not asked yet, so it sees the list complete. The folder
// and the names are kept as the file system's bytes; the list shows them through displayName, so a
// name that is not UTF-8 or holds controls still takes one row and reaches the player unchanged.
// Return on the current entry is reported as a double click on it. With song files to read, each
// song's tags are its tooltip and its accessible description, read when the pointer rests on it or
// it becomes current, never on the window's thread.
class FileListBox : public QListView {
    Q_OBJECT
public:
    FileListBox(QString pattern, core::FolderReader& reader,
                core::SongFileOpener* songFiles = nullptr, QWidget* parent = nullptr);
    ~FileListBox() override;

    // The listed folder, absolute and without "." or ".." parts.
    const std::string& Path() const { return path_; }
    // Lists `path`'s files now. When the folder cannot be read, fails and keeps the list and
    // the path as they were.
    [[nodiscard]] bool setPath(const std::string& path);

    const QString& Pattern() const { return patternText_; }

    // Starts listing the start folder, once, unless a folder was set or listed before.
    void listStartFolder();

    // The selected entry's name, "" when none is selected.
    std::string FileName() const;

    int ListCount() const;
    // The entry as the list shows it.
    QString List(int index) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    // Waits for the start's listing, or lists the start folder here if that has not begun, and
    // shows it, unless a folder was set meanwhile.
    void finishStartListing() const;
    void tooltipRead(std::uint64_t generation, const std::string& name, const QString& tooltip);
    bool isUnderPointer(const QModelIndex& index) const;

    QString patternText_;
    core::FilePattern pattern_;
    core::FolderReader& reader_;
    core::SongLister lister_;
    std::string path_;
    std::unique_ptr<core::SongTagCache> tags_;
    SongNames* entries_;
    // Once a folder is set, the start's listing no longer counts.
    bool folderSet_ = false;
    // Until the start folder's listing begins, here or on its thread.
    mutable bool startListingDue_ = true;
    // The start's listing fills the list when it is asked for, which asking does not change.
    mutable std::thread startListing_;
    // Written by the start's listing, read once it has been joined.
    mutable std::optional<core::NameList> startNames_;
    // The row whose tooltip was last asked for; -1 when the pointer has left the list since.
    int tooltipRow_ = -1;
};

} // namespace ostrane::qt
