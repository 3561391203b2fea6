#pragma once

#include "core/filepattern.h"
#include "core/folderreader.h"

#include <QListView>
#include <QString>

class QStringListModel;

namespace ostrane::app {

// A list of the files of one folder whose names match a pattern, in natural order. It
// starts in the process's current folder. Return on the current entry is reported as a
// double click on it.
class FileListBox : public QListView {
    Q_OBJECT
public:
    FileListBox(QString pattern, FolderReader& reader, QWidget* parent = nullptr);

    const QString& Path() const { return path_; }
    // Lists `path`'s files. When the folder cannot be read, fails and keeps the list and
    // the path as they were.
    [[nodiscard]] bool setPath(const QString& path);

    const QString& Pattern() const { return patternText_; }

    // The selected entry's name, "" when none is selected.
    QString FileName() const;

    int ListCount() const;
    QString List(int index) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString patternText_;
    FilePattern pattern_;
    FolderReader& reader_;
    QString path_;
    QStringListModel* entries_;
};

} // namespace ostrane::app
