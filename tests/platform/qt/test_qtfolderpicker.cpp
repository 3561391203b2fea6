#include "platform/qt/qtfolderpicker.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrane::platform {
namespace {

class QtFolderPickerTest : public ::testing::Test {
protected:
    // Picks with Form1's stand-in as owner; `answer` acts on the dialog once it shows.
    std::string pickWith(const std::function<void(QFileDialog&)>& answer) {
        QTimer poll;
        int tries = 0;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* dialog = owner.findChild<QFileDialog*>(QStringLiteral("FolderPicker"));
                dialog && dialog->isVisible()) {
                poll.stop();
                answer(*dialog);
            } else if (++tries > 2000) {
                ADD_FAILURE() << "no folder dialog showed";
                if (QWidget* modal = QApplication::activeModalWidget())
                    modal->close();
            }
        });
        poll.start(5);
        return picker.pick(static_cast<core::WindowHandle>(owner.winId()),
                           "Please select your SPC directory.");
    }

    QWidget owner;
    QTemporaryDir folders;
    QtFolderPicker picker;
};

TEST_F(QtFolderPickerTest, AModalFolderOnlyDialogOwnedByTheWindowShowsThePrompt) {
    owner.show();
    const std::string chosen = pickWith([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.parentWidget(), &owner);
        EXPECT_TRUE(dialog.isModal());
        EXPECT_EQ(dialog.windowModality(), Qt::WindowModal);
        EXPECT_EQ(dialog.fileMode(), QFileDialog::Directory);
        EXPECT_TRUE(dialog.testOption(QFileDialog::ShowDirsOnly));
        const auto* prompt = dialog.findChild<QLabel*>(QStringLiteral("Prompt"));
        EXPECT_TRUE(prompt && prompt->isVisible());
        if (prompt) {
            EXPECT_EQ(prompt->text(), "Please select your SPC directory.");
            // Above the folder view.
            for (const QListView* view : dialog.findChildren<QListView*>()) {
                if (view->isVisible()) {
                    EXPECT_LT(prompt->mapTo(&dialog, QPoint()).y(),
                              view->mapTo(&dialog, QPoint()).y());
                }
            }
        }
        dialog.setDirectory(folders.path());
        static_cast<QDialog&>(dialog).accept();
    });
    EXPECT_EQ(chosen, QDir(folders.path()).absolutePath().toStdString());
}

TEST_F(QtFolderPickerTest, ACancelGivesNothing) {
    ASSERT_TRUE(QDir(folders.path()).mkdir(QStringLiteral("songs")));
    EXPECT_EQ(pickWith([&](QFileDialog& dialog) {
                  dialog.setDirectory(folders.path() + "/songs");
                  dialog.reject();
              }),
              "");
}

TEST_F(QtFolderPickerTest, ALongAndUnusualPathComesBackWhole) {
    QString deep = folders.path();
    for (const QString& part : {QString(100, u'a'), QStringLiteral("Ünïcödé | -x ♪"),
                                QString(100, u'b'), QString(100, u'c')})
        deep += u'/' + part;
    ASSERT_TRUE(QDir().mkpath(deep));
    ASSERT_GT(deep.size(), 300);
    EXPECT_EQ(pickWith([&](QFileDialog& dialog) {
                  dialog.setDirectory(deep);
                  static_cast<QDialog&>(dialog).accept();
              }),
              deep.toStdString());
    // The root folder keeps its separator.
    EXPECT_EQ(pickWith([&](QFileDialog& dialog) {
                  dialog.setDirectory(QStringLiteral("/"));
                  static_cast<QDialog&>(dialog).accept();
              }),
              "/");
}

TEST_F(QtFolderPickerTest, AFolderWhoseNameIsNotUtf8ComesBackAsItsBytes) {
    const std::string base = QFile::encodeName(QDir(folders.path()).absolutePath()).toStdString();
    const std::string odd = base + "/\xff songs";
    ASSERT_EQ(::mkdir(odd.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((odd + "/in\xfe").c_str(), 0700), 0);
    // Qt shows both bad bytes as U+FFFD and looks the text up as "\xef\xbf\xbd songs".
    const QString shown = folders.path() + QString::fromUtf8("/\xef\xbf\xbd songs");
    EXPECT_EQ(fileSystemPathOf(shown), odd);
    EXPECT_EQ(fileSystemPathOf(shown + QString::fromUtf8("/in\xef\xbf\xbd")), odd + "/in\xfe");
    EXPECT_EQ(fileSystemPathOf(shown + "/missing"), std::nullopt);
    // A folder really named with U+FFFD is found by its own name, even beside the other.
    ASSERT_EQ(::mkdir((base + "/\xef\xbf\xbd songs").c_str(), 0700), 0);
    EXPECT_EQ(fileSystemPathOf(shown), base + "/\xef\xbf\xbd songs");
    ASSERT_EQ(::rmdir((base + "/\xef\xbf\xbd songs").c_str()), 0);

    EXPECT_EQ(pickWith([&](QFileDialog& dialog) {
                  dialog.setDirectory(folders.path());
                  dialog.selectFile(QString::fromUtf8("\xef\xbf\xbd songs"));
                  static_cast<QDialog&>(dialog).accept();
              }),
              odd);
    // Typed, as a user does, and confirmed with Return.
    EXPECT_EQ(pickWith([&](QFileDialog& dialog) {
                  auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                  ASSERT_TRUE(name);
                  name->setText(shown);
                  QTest::keyClick(name, Qt::Key_Return);
                  if (dialog.isVisible()) {
                      ADD_FAILURE() << "Return left the dialog open";
                      dialog.reject();
                  }
              }),
              odd);
}

// Everything under the folder an environment variable names, "" when it is unset.
QStringList filesUnder(const char* variable) {
    const QString folder = qEnvironmentVariable(variable);
    QStringList found;
    if (folder.isEmpty())
        return found;
    QDirIterator entries(folder,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext())
        found << entries.next();
    return found;
}

TEST_F(QtFolderPickerTest, NothingIsStoredUnderTheHomeFolder) {
    // The test runs with a private home; a real one must never be looked at.
    ASSERT_TRUE(qEnvironmentVariable("HOME").startsWith(QDir::tempPath()));
    ASSERT_TRUE(QDir(folders.path()).mkdir(QStringLiteral("songs")));
    const QString songs = QDir(folders.path()).absoluteFilePath(QStringLiteral("songs"));
    pickWith([&](QFileDialog& dialog) {
        dialog.setDirectory(songs);
        static_cast<QDialog&>(dialog).accept();
    });
    pickWith([&](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(filesUnder("HOME"), QStringList());
    EXPECT_EQ(filesUnder("XDG_CONFIG_HOME"), QStringList());
}

} // namespace
} // namespace ostrane::platform
