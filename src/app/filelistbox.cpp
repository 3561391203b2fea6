#include "app/filelistbox.h"

#include <QDir>
#include <QStringListModel>

namespace ostrane::app {

FileListBox::FileListBox(QString pattern, QWidget* parent)
    : QListView(parent), patternText_(std::move(pattern)), pattern_(patternText_.toStdString()),
      entries_(new QStringListModel(this)) {
    setModel(entries_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every row has the same height, so a long list is laid out without measuring each.
    setUniformItemSizes(true);
    if (!setPath(QDir::currentPath()))
        path_ = QDir::currentPath();
}

bool FileListBox::setPath(const QString& path) {
    if (path.isEmpty())
        return false;
    const QString absolute = QDir::cleanPath(QDir(path).absolutePath());
    auto names = listFiles(absolute, pattern_);
    if (!names)
        return false;
    path_ = absolute;
    entries_->setStringList(*names);
    return true;
}

QString FileListBox::FileName() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isSelected(current))
        return {};
    return current.data().toString();
}

int FileListBox::ListCount() const {
    return entries_->rowCount();
}

QString FileListBox::List(int index) const {
    return entries_->index(index).data().toString();
}

} // namespace ostrane::app
