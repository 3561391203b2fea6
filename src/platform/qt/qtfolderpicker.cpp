#include "platform/qt/qtfolderpicker.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QSettings>
#include <QWidget>
#include <filesystem>
#include <vector>

namespace ostrane::platform {

namespace {

// Puts `prompt` in a row of its own above everything else of the dialog, as the shell's
// folder dialog shows its instruction above the folder tree.
void showAbove(QFileDialog& dialog, QLabel* prompt) {
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (grid == nullptr) {
        dialog.layout()->addWidget(prompt);
        return;
    }
    struct Cell {
        QLayoutItem* item;
        int row, column, rowSpan, columnSpan;
    };
    std::vector<Cell> cells;
    while (grid->count() > 0) {
        Cell cell{};
        grid->getItemPosition(0, &cell.row, &cell.column, &cell.rowSpan, &cell.columnSpan);
        cell.item = grid->takeAt(0);
        cells.push_back(cell);
    }
    int columns = 1;
    for (const Cell& cell : cells)
        columns = std::max(columns, cell.column + cell.columnSpan);
    grid->addWidget(prompt, 0, 0, 1, columns);
    for (const Cell& cell : cells)
        grid->addItem(cell.item, cell.row + 1, cell.column, cell.rowSpan, cell.columnSpan);
}

// The folder dialog, taking the chosen folder by its file system name: Qt's own check of the
// choice looks it up by the text shown and would call a folder that is not UTF-8 missing.
class FolderDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    const std::string& chosen() const { return chosen_; }

    void accept() override {
        const QStringList files = selectedFiles();
        if (!files.isEmpty()) {
            if (auto folder = fileSystemPathOf(files.first())) {
                std::error_code error;
                if (std::filesystem::is_directory(*folder, error)) {
                    chosen_ = std::move(*folder);
                    QDialog::accept();
                    return;
                }
            }
        }
        // Says what is wrong with the choice.
        QFileDialog::accept();
    }

private:
    std::string chosen_;
};

// Qt's dialog keeps its history, last folder and layout in the user's settings when it is
// destroyed, and offers them again on the next run. The process's settings are pointed at a
// place where no folder or file can ever be made, so the dialog neither finds nor stores any.
void storeNoSettings() {
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
}

} // namespace

std::optional<std::string> fileSystemPathOf(const QString& shown) {
#ifdef _WIN32
    // Windows names are UTF-16, which Qt shows whole.
    return QDir::toNativeSeparators(QDir::cleanPath(shown)).toStdString();
#else
    const QString clean = QDir::cleanPath(shown);
    if (!clean.startsWith(u'/'))
        return std::nullopt;
    std::string path = "/";
    for (const QString& part : clean.split(u'/', Qt::SkipEmptyParts)) {
        const std::string parent = path == "/" ? std::string() : path;
        const std::string direct = parent + "/" + QFile::encodeName(part).toStdString();
        std::error_code error;
        if (std::filesystem::exists(std::filesystem::symlink_status(direct, error))) {
            path = direct;
            continue;
        }
        std::optional<std::string> found;
        std::filesystem::directory_iterator entries(path, error);
        for (; !error && entries != std::filesystem::directory_iterator();
             entries.increment(error)) {
            const std::string name = entries->path().filename().string();
            if (QFile::decodeName(QByteArray::fromStdString(name)) == part) {
                found = parent + "/" + name;
                break;
            }
        }
        if (!found)
            return std::nullopt;
        path = std::move(*found);
    }
    return path;
#endif
}

std::string QtFolderPicker::pick(core::WindowHandle owner, std::string_view prompt) {
    storeNoSettings();
    QWidget* ownerWidget = QWidget::find(static_cast<WId>(owner));
    FolderDialog dialog(ownerWidget, QStringLiteral("Load SPC"));
    dialog.setObjectName(QStringLiteral("FolderPicker"));
    // Qt's own dialog, so that the prompt can be shown in it.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setWindowModality(Qt::WindowModal);

    auto* label =
        new QLabel(QString::fromUtf8(prompt.data(), static_cast<qsizetype>(prompt.size())));
    label->setObjectName(QStringLiteral("Prompt"));
    label->setWordWrap(true);
    showAbove(dialog, label);

    // A completion list still open when the dialog closes keeps the pointer grabbed for a
    // moment, and the user's next click in the main window would be lost to it.
    QObject::connect(&dialog, &QDialog::finished, [&dialog] {
        for (QCompleter* completer : dialog.findChildren<QCompleter*>()) {
            completer->popup()->hide();
            completer->setModel(nullptr);
        }
    });

    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.chosen();
}

} // namespace ostrane::platform
