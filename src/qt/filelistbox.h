#pragma once

#include "core/filepattern.h"
#include "core/folderreader.h"
#include "core/songlisting.h"

#include <QListView>
#include <QString>
#include <string>

namespace ostrane::qt {

class SongNames;

// A list of the files of one folder whose names match a pattern, in natural order. It
// starts in the process's current folder. The folder and the names are kept as the file
// system's bytes; the list shows them through displayName, so a name that is not UTF-8 or
// holds controls still takes one row and reaches the player unchanged.
// Return on the current entry is reported as a double click on it.
class FileListBox : public QListView {
    Q_OBJECT
public:
    FileListBox(QString pattern, core::FolderReader& reader, QWidget* parent = nullptr);

    // The listed folder, absolute and without "." or ".." parts.
    const std::string& Path() const { return path_; }
    // Lists `path`'s files. When the folder cannot be read, fails and keeps the list and
    // the path as they were.
    [[nodiscard]] bool setPath(const std::string& path);

    const QString& Pattern() const { return patternText_; }

    // The selected entry's name, "" when none is selected.
    std::string FileName() const;

    int ListCount() const;
    // The entry as the list shows it.
    QString List(int index) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString patternText_;
    core::FilePattern pattern_;
    core::FolderReader& reader_;
    core::SongLister lister_;
    std::string path_;
    SongNames* entries_;
};

} // namespace ostrane::qt
