#include "qt/filelistbox.h"

#include "core/songlisting.h"

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QStringListModel>

namespace ostrane::app {

FileListBox::FileListBox(QString pattern, FolderReader& reader, QWidget* parent)
    : QListView(parent), patternText_(std::move(pattern)), pattern_(patternText_.toStdString()),
      reader_(reader), entries_(new QStringListModel(this)) {
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
    const auto names = listSongs(reader_, QFile::encodeName(absolute).toStdString(), pattern_);
    if (!names)
        return false;
    QStringList shown;
    shown.reserve(static_cast<qsizetype>(names->size()));
    for (const std::string& name : *names)
        shown.append(QFile::decodeName(
            QByteArray::fromRawData(name.data(), static_cast<qsizetype>(name.size()))));
    path_ = absolute;
    entries_->setStringList(shown);
    return true;
}

QString FileListBox::FileName() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isSelected(current))
        return {};
    return current.data().toString();
}

void FileListBox::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        event->accept();
        if (currentIndex().isValid())
            emit doubleClicked(currentIndex());
        return;
    }
    QListView::keyPressEvent(event);
}

int FileListBox::ListCount() const {
    return entries_->rowCount();
}

QString FileListBox::List(int index) const {
    return entries_->index(index).data().toString();
}

} // namespace ostrane::app
