#include "qt/filelistbox.h"

#include "core/songlisting.h"
#include "qt/displaytext.h"

#include <QAbstractListModel>
#include <QKeyEvent>
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
// million songs costs the rows on screen rather than a million strings.
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

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(names_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole)
            return {};
        return displayText(name(index.row()));
    }

private:
    core::NameList names_;
};

FileListBox::FileListBox(QString pattern, core::FolderReader& reader, QWidget* parent)
    : QListView(parent), patternText_(std::move(pattern)), pattern_(patternText_.toStdString()),
      reader_(reader), entries_(new SongNames(this)) {
    setModel(entries_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every row has the same height, so a long list is laid out without measuring each.
    setUniformItemSizes(true);
    std::error_code error;
    const std::string current = bytesOf(std::filesystem::current_path(error));
    path_ = absoluteFolder(current).value_or(current);
    listAtStart(path_);
}

FileListBox::~FileListBox() {
    if (startListing_.joinable())
        startListing_.join();
}

void FileListBox::listAtStart(const std::string& folder) {
    startListing_ = std::thread([this, folder] {
        startNames_ = core::SongLister().list(reader_, folder, pattern_);
        QMetaObject::invokeMethod(
            this, [this] { finishStartListing(); }, Qt::QueuedConnection);
    });
}

void FileListBox::finishStartListing() const {
    if (!startListing_.joinable())
        return;
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
    lister_.recycle(entries_->show(std::move(*names)));
    return true;
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

int FileListBox::ListCount() const {
    finishStartListing();
    return entries_->rowCount();
}

QString FileListBox::List(int index) const {
    finishStartListing();
    return entries_->index(index).data().toString();
}

} // namespace ostrane::qt
