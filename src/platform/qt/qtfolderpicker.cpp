#include "platform/qt/qtfolderpicker.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QSettings>
#include <QWidget>
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

// Qt's dialog keeps its history, last folder and layout in the user's settings when it is
// destroyed, and offers them again on the next run. The process's settings are pointed at a
// place where no folder or file can ever be made, so the dialog neither finds nor stores any.
void storeNoSettings() {
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
}

} // namespace

std::string QtFolderPicker::pick(WindowHandle owner, std::string_view prompt) {
    storeNoSettings();
    QWidget* ownerWidget = QWidget::find(static_cast<WId>(owner));
    QFileDialog dialog(ownerWidget, QStringLiteral("Load SPC"));
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
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? std::string()
                            : QDir::toNativeSeparators(chosen.first()).toStdString();
}

} // namespace ostrane::platform
