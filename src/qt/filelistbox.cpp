#include "qt/filelistbox.h"

#include "core/songlisting.h"
#include "core/songtagcache.h"
#include "qt/displaytext.h"

#include <QAbstractListModel>
#include <QCursor>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QToolTip>
#include <filesystem>

namespace ostrane::qt {

namespace {

// The path names the file system uses here: bytes on Unix, UTF-8 on Windows.
std::filesystem::path fileSystemPath(const std::string& path) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
#else
    return std::filesystem::path(path);
#endif
}

std::string bytesOf(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
#else
    return path.string();
#endif
}

// `path` made absolute against the current folder, without "." or ".." parts and without a
// separator at its end unless it is the root.
std::optional<std::string> absoluteFolder(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(fileSystemPath(path), error);
    if (error)
        return std::nullopt;
    std::filesystem::path clean = absolute.lexically_normal();
    if (!clean.has_filename() && clean != clean.root_path())
        clean = clean.parent_path();
    return bytesOf(clean);
}

} // namespace

// The listed names; each row's text is made only when the view asks for it, so a folder of a
// million songs costs the rows on screen rather than a million strings. A row's tooltip is
// its song's tags once read; asking for one that is not read yet has it read.
class SongNames final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    // Shows `names` and gives back the list shown before.
    core::NameList show(core::NameList names) {
        beginResetModel();
        std::swap(names_, names);
        endResetModel();
        return names;
    }
    std::string_view name(int row) const { return names_[static_cast<std::size_t>(row)]; }
    void setTags(core::SongTagCache* tags) { tags_ = tags; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(names_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        if (role == Qt::DisplayRole)
            return displayText(name(index.row()));
        if (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole)
            return tooltip(index.row());
        return {};
    }

    QVariant tooltip(int row) const {
        if (!tags_)
            return {};
        const std::string song(name(row));
        const auto known = tags_->tooltip(song);
        if (!known)
            tags_->request(song);
        if (!known || known->empty())
            return {};
        return QString::fromStdString(*known);
    }
    void tooltipRead(int row) {
        emit dataChanged(index(row), index(row), {Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
    }

private:
    core::NameList names_;
    core::SongTagCache* tags_ = nullptr;
};

FileListBox::FileListBox(QString pattern, core::FolderReader& reader,
                         core::SongFileOpener* songFiles, QWidget* parent)
    : QListView(parent), patternText_(std::move(pattern)), pattern_(patternText_.toStdString()),
      reader_(reader), entries_(new SongNames(this)) {
    if (songFiles) {
        tags_ = std::make_unique<core::SongTagCache>(
            *songFiles,
            [this](std::uint64_t generation, const std::string& name, const std::string& tooltip) {
                QMetaObject::invokeMethod(
                    this,
                    [this, generation, name, text = QString::fromStdString(tooltip)] {
                        tooltipRead(generation, name, text);
                    },
                    Qt::QueuedConnection);
            });
        entries_->setTags(tags_.get());
    }
    setModel(entries_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every row has the same height, so a long list is laid out without measuring each.
    setUniformItemSizes(true);
    std::error_code error;
    const std::string current = bytesOf(std::filesystem::current_path(error));
    path_ = absoluteFolder(current).value_or(current);
    if (tags_)
        tags_->setFolder(path_);
}

void FileListBox::listStartFolder() {
    if (!std::exchange(startListingDue_, false) || folderSet_)
        return;
    startListing_ = std::thread([this, folder = path_] {
        startNames_ = core::SongLister().list(reader_, folder, pattern_);
        QMetaObject::invokeMethod(
            this, [this] { finishStartListing(); }, Qt::QueuedConnection);
    });
}

void FileListBox::finishStartListing() const {
    if (std::exchange(startListingDue_, false) && !folderSet_)
        startNames_ = core::SongLister().list(reader_, path_, pattern_);
    else if (startListing_.joinable())
        startListing_.join();
    if (startNames_ && !folderSet_)
        entries_->show(std::move(*startNames_));
    startNames_.reset();
}

bool FileListBox::setPath(const std::string& path) {
    if (path.empty())
        return false;
    const auto absolute = absoluteFolder(path);
    if (!absolute)
        return false;
    auto names = lister_.list(reader_, *absolute, pattern_);
    if (!names)
        return false;
    path_ = *absolute;
    folderSet_ = true;
    tooltipRow_ = -1;
    if (tags_)
        tags_->setFolder(path_);
    lister_.recycle(entries_->show(std::move(*names)));
    return true;
}

FileListBox::~FileListBox() {
    if (startListing_.joinable())
        startListing_.join();
    // The cache's thread may still hand over a tooltip: it must find this list whole.
    entries_->setTags(nullptr);
    tags_.reset();
}

std::string FileListBox::FileName() const {
    finishStartListing();
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isSelected(current))
        return {};
    return std::string(entries_->name(current.row()));
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

bool FileListBox::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip)
        tooltipRow_ = indexAt(static_cast<QHelpEvent*>(event)->pos()).row();
    else if (event->type() == QEvent::Leave)
        tooltipRow_ = -1;
    return QListView::viewportEvent(event);
}

void FileListBox::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QListView::currentChanged(current, previous);
    // Read ahead for a screen reader, which asks for the description of the current row.
    if (current.isValid())
        entries_->tooltip(current.row());
}

bool FileListBox::isUnderPointer(const QModelIndex& index) const {
    const QPoint pointer = viewport()->mapFromGlobal(QCursor::pos());
    return viewport()->rect().contains(pointer) && indexAt(pointer) == index;
}

// A tooltip read for a folder no longer listed, or for a row the pointer has left, is not shown.
void FileListBox::tooltipRead(std::uint64_t generation, const std::string& name,
                              const QString& tooltip) {
    if (!tags_ || generation != tags_->generation())
        return;
    const auto isRowOf = [&](int row) {
        return row >= 0 && row < entries_->rowCount() && entries_->name(row) == name;
    };
    if (isRowOf(currentIndex().row()))
        entries_->tooltipRead(currentIndex().row());
    if (!isRowOf(tooltipRow_))
        return;
    entries_->tooltipRead(tooltipRow_);
    const QModelIndex index = entries_->index(tooltipRow_);
    if (!tooltip.isEmpty() && isUnderPointer(index))
        QToolTip::showText(QCursor::pos(), tooltip, viewport(), visualRect(index));
}

int FileListBox::ListCount() const {
    finishStartListing();
    return entries_->rowCount();
}

QString FileListBox::List(int index) const {
    finishStartListing();
    return entries_->index(index).data().toString();
}

} // namespace ostrane::qt
