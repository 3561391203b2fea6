#include "platform/unix/posixfolderreader.h"
#include "qt/commandbutton.h"
#include "qt/filelistbox.h"
#include "qt/form1.h"
#include "qt/linktextbox.h"
#include "qt/picturebox.h"
#include "support/fakefolderpicker.h"
#include "support/fakenotificationicon.h"
#include "support/form1fixture.h"
#include "support/songheader.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <condition_variable>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// Readable failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace ostrane::qt {
namespace {

using Events = std::vector<std::string>;

class Form1Songs : public testing::Form1Fixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(folders.isValid());
        form.show();
        closedHeight = form.height();
    }

    QString folder(const QString& name, const QStringList& files) {
        const QString path = folders.path() + u'/' + name;
        EXPECT_TRUE(QDir().mkpath(path));
        for (const QString& file : files) {
            QFile song(path + u'/' + file);
            EXPECT_TRUE(song.open(QIODevice::WriteOnly));
        }
        return path;
    }
    // A folder and empty files named by bytes, as the file system takes them.
    std::string rawFolder(const std::string& name, const std::vector<std::string>& files) {
        const std::string path = QFile::encodeName(folders.path()).toStdString() + '/' + name;
        EXPECT_EQ(::mkdir(path.c_str(), 0700), 0);
        for (const std::string& file : files) {
            const int fd =
                ::open((path + '/' + file).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
            EXPECT_GE(fd, 0);
            ::close(fd);
        }
        return path;
    }
    void choose(const std::string& path) {
        folderPicker.answer = path;
        QTest::mouseClick(form.Command1, Qt::LeftButton);
    }
    void toggle() { QTest::mouseClick(form.Picture2, Qt::LeftButton); }
    void choose(const QString& path) {
        folderPicker.answer = path.toStdString();
        QTest::mouseClick(form.Command1, Qt::LeftButton);
    }
    QStringList listed() const {
        QStringList names;
        for (int i = 0; i < form.File1->ListCount(); ++i)
            names.append(form.File1->List(i));
        return names;
    }
    QPoint entryCentre(int row) const {
        return form.File1->visualRect(form.File1->model()->index(row, 0)).center();
    }
    // Through the window, as the window system delivers it: press, release, press, double
    // click, release.
    void doubleClick(QWidget* target, QPoint at) {
        QTest::mouseDClick(form.windowHandle(), Qt::LeftButton, {}, target->mapTo(&form, at));
    }
    void doubleClick(QPoint at) { doubleClick(form.File1->viewport(), at); }
    // The pointer rests on the entry: the window system's tooltip request.
    void hover(int row) {
        QWidget* viewport = form.File1->viewport();
        const QPoint at = entryCentre(row);
        QCursor::setPos(viewport->mapToGlobal(at));
        QHelpEvent rest(QEvent::ToolTip, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &rest);
    }

    QTemporaryDir folders;
    int closedHeight = 0;
};

TEST_F(Form1Songs, TheToggleOpensClosesAndOpensThePanel) {
    QPixmap closedArrow(56, 26), openArrow(56, 26);
    closedArrow.fill(Qt::green);
    openArrow.fill(Qt::red);
    form.Picture3->setPicture(closedArrow);
    form.Picture4->setPicture(openArrow);
    const float closedTwips = form.Height();

    toggle();
    EXPECT_EQ(form.Label5->text(), "1");
    EXPECT_TRUE(form.Command1->isEnabled());
    EXPECT_EQ(form.Picture2->picture().cacheKey(), openArrow.cacheKey());
    // Twelve steps of 200 twips, each applied in whole pixels of 15 twips: 13 pixels.
    EXPECT_EQ(form.height(), closedHeight + 12 * 13);
    EXPECT_EQ(form.Height(), closedTwips + 12 * 13 * 15);
    EXPECT_EQ(form.Label4->text(), QString::fromStdString(form.File1->Path()));
    EXPECT_EQ(form.Label4->toolTip(), "Click Me");
    EXPECT_LE(form.File1->geometry().bottom(), form.height());

    toggle();
    EXPECT_EQ(form.Label5->text(), "0");
    EXPECT_FALSE(form.Command1->isEnabled());
    EXPECT_EQ(form.Picture2->picture().cacheKey(), closedArrow.cacheKey());
    EXPECT_EQ(form.height(), closedHeight);
    EXPECT_EQ(form.Height(), closedTwips);

    toggle();
    EXPECT_EQ(form.Label5->text(), "1");
    EXPECT_TRUE(form.Command1->isEnabled());
    EXPECT_EQ(form.height(), closedHeight + 12 * 13);

    // A double click is one click: the panel closes once, not twice.
    doubleClick(form.Picture2, form.Picture2->rect().center());
    EXPECT_EQ(form.Label5->text(), "0");
    EXPECT_EQ(form.height(), closedHeight);
}

TEST_F(Form1Songs, ChoosingAFolderListsItsSongs) {
    EXPECT_EQ(form.File1->Path(), QDir::currentPath().toStdString());
    const QString songs =
        folder(QStringLiteral("songs"),
               {"track 10.spc", "Track 2.SP1", "track 1.sp9", "notes.txt", "bonus.sp0", "readme"});
    folder(QStringLiteral("songs/folder.spc"), {});
    toggle();
    choose(songs);
    ASSERT_EQ(folderPicker.requests.size(), 1u);
    EXPECT_EQ(folderPicker.requests[0].owner, static_cast<core::WindowHandle>(form.winId()));
    EXPECT_EQ(folderPicker.requests[0].prompt, "Please select your SPC directory.");
    EXPECT_EQ(form.File1->Path(), songs.toStdString());
    EXPECT_EQ(form.Label4->text(), songs);
    EXPECT_EQ(listed(), (QStringList{"track 1.sp9", "Track 2.SP1", "track 10.spc"}));

    // A cancel leaves everything as it was.
    choose(QString());
    EXPECT_EQ(form.File1->Path(), songs.toStdString());
    EXPECT_EQ(form.Label4->text(), songs);
    EXPECT_EQ(form.File1->ListCount(), 3);
    EXPECT_EQ(folderPicker.requests.size(), 2u);
}

TEST_F(Form1Songs, AFolderThatWentAwayKeepsTheListAndTheLabel) {
    const QString first = folder(QStringLiteral("first"), {"a.spc", "b.spc"});
    const QString gone = folder(QStringLiteral("gone"), {"c.spc"});
    toggle();
    choose(gone);
    ASSERT_TRUE(QDir(gone).removeRecursively());
    // The toggle copies the list's folder, even one that no longer exists.
    toggle();
    toggle();
    EXPECT_EQ(form.Label4->text(), gone);
    EXPECT_EQ(listed(), QStringList{"c.spc"});

    choose(first);
    choose(gone);
    EXPECT_EQ(form.File1->Path(), first.toStdString());
    EXPECT_EQ(form.Label4->text(), first);
    EXPECT_EQ(listed(), (QStringList{"a.spc", "b.spc"}));

    // Neither is a file a folder.
    choose(first + "/a.spc");
    EXPECT_EQ(form.Label4->text(), first);
}

TEST_F(Form1Songs, ADoubleClickedSongReachesThePlayerExactly) {
    const QStringList names{"-01 Ünïcödé ♪.spc", "a | b.spc", "two  spaces .sp2"};
    const QString songs = folder(QStringLiteral("my songs"), names);
    toggle();
    choose(songs);
    ASSERT_EQ(listed(), names);

    Events expected;
    int opened = 0;
    for (int row = 0; row < names.size(); ++row) {
        SCOPED_TRACE(row);
        doubleClick(entryCentre(row));
        const QString path = songs + u'/' + names[row];
        EXPECT_EQ(form.Text1->text(), path);
        EXPECT_EQ(form.Text6->text(), "QV-spc|" + path);
        if (opened > 0)
            expected.push_back("close " + std::to_string(opened));
        expected.push_back("open " + std::to_string(++opened) + " QV-spc|" + path.toStdString());
    }
    // The same song twice: the first conversation ends before the second opens.
    doubleClick(entryCentre(2));
    expected.push_back("close 3");
    expected.push_back("open 4 QV-spc|" + (songs + "/two  spaces .sp2").toStdString());
    EXPECT_EQ(conversations.events, expected);

    // Loading leaves the transport buttons as they were.
    QTest::mouseClick(form.Command3, Qt::LeftButton);
    EXPECT_EQ(conversations.events.back(), "open 5 QV-spc|PLAY");
}

TEST_F(Form1Songs, ADoubleClickBesideTheEntriesSendsNothing) {
    const QString songs = folder(QStringLiteral("songs"), {"a.spc"});
    toggle();
    choose(songs);
    const QString shown = form.Text1->text();
    const QPoint empty(entryCentre(0).x(), form.File1->viewport()->height() - 2);
    ASSERT_FALSE(form.File1->indexAt(empty).isValid());
    doubleClick(empty);
    // Also with an entry selected before.
    QTest::mouseClick(form.File1->viewport(), Qt::LeftButton, {}, entryCentre(0));
    doubleClick(empty);
    EXPECT_EQ(form.Text1->text(), shown);
    EXPECT_EQ(form.Text6->text(), "Text6");
    EXPECT_TRUE(conversations.events.empty());
}

TEST_F(Form1Songs, ASongRemovedAfterTheListingIsStillSent) {
    const QString songs = folder(QStringLiteral("songs"), {"a.spc"});
    toggle();
    choose(songs);
    ASSERT_TRUE(QFile::remove(songs + "/a.spc"));
    conversations.serverRunning = false;
    doubleClick(entryCentre(0));
    // Shown whether or not the player got it.
    EXPECT_EQ(form.Text1->text(), songs + "/a.spc");
    EXPECT_EQ(conversations.events, Events{"failed QV-spc|" + (songs + "/a.spc").toStdString()});
}

const QString Replacement = QString(QChar(0xFFFD));

TEST_F(Form1Songs, NamesThatAreNotUtf8ReachThePlayerAsTheirBytes) {
    // Both names show as U+FFFD; each must still load its own file.
    const std::string songs = rawFolder("songs", {"\xff.spc", "\xef\xbf\xbd.spc"});
    toggle();
    choose(songs);
    ASSERT_EQ(listed(), (QStringList{Replacement + ".spc", Replacement + ".spc"}));

    std::set<std::string> sent;
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        doubleClick(entryCentre(row));
        EXPECT_EQ(form.Text1->text(), QString::fromStdString(songs) + '/' + Replacement + ".spc");
        sent.insert(form.Text6->address());
        // The same entry again sends the same bytes.
        doubleClick(entryCentre(row));
        EXPECT_TRUE(sent.contains(form.Text6->address()));
    }
    EXPECT_EQ(sent, (std::set<std::string>{"QV-spc|" + songs + "/\xff.spc",
                                           "QV-spc|" + songs + "/\xef\xbf\xbd.spc"}));
    Events opened;
    for (const std::string& event : conversations.events)
        if (event.starts_with("open "))
            opened.push_back(event.substr(event.find(' ', 5) + 1));
    ASSERT_EQ(opened.size(), 4u);
    EXPECT_EQ(opened[0], opened[1]);
    EXPECT_EQ(opened[2], opened[3]);
    EXPECT_EQ((std::set<std::string>{opened[0], opened[2]}), sent);
}

TEST_F(Form1Songs, AFolderWhoseNameIsNotUtf8CanBeChosenAndListed) {
    const std::string songs = rawFolder("\xfe\xff music", {"a.spc", "b\xff.sp2"});
    toggle();
    choose(songs);
    EXPECT_EQ(form.File1->Path(), songs);
    const QString shown = QString::fromStdString(QFile::encodeName(folders.path()).toStdString()) +
                          '/' + Replacement + Replacement + " music";
    EXPECT_EQ(form.Label4->text(), shown);
    ASSERT_EQ(listed(), (QStringList{"a.spc", "b" + Replacement + ".sp2"}));
    // The panel's toggle shows the list's folder the same way.
    toggle();
    toggle();
    EXPECT_EQ(form.Label4->text(), shown);

    doubleClick(entryCentre(1));
    EXPECT_EQ(form.Text1->text(), shown + "/b" + Replacement + ".sp2");
    EXPECT_EQ(conversations.events, Events{"open 1 QV-spc|" + songs + "/b\xff.sp2"});
}

TEST_F(Form1Songs, ControlCharactersShowOnOneRowAndAreSentExactly) {
    const std::string songs =
        rawFolder("songs", {"a\nb.spc", "tab\there\x7f.spc", "c\xc2\x85.spc"});
    toggle();
    choose(songs);
    ASSERT_EQ(listed(),
              (QStringList{"a\\x0ab.spc", "c" + Replacement + ".spc", "tab\\x09here\\x7f.spc"}));
    // One row each, all the same height.
    const QRect first = form.File1->visualRect(form.File1->model()->index(0, 0));
    const QRect second = form.File1->visualRect(form.File1->model()->index(1, 0));
    EXPECT_EQ(first.height(), second.height());
    EXPECT_LT(first.height(), 2 * form.File1->fontMetrics().height());

    doubleClick(entryCentre(0));
    EXPECT_EQ(form.Text1->text(), QString::fromStdString(songs) + "/a\\x0ab.spc");
    EXPECT_EQ(form.Text6->text(), "QV-spc|" + form.Text1->text());
    doubleClick(entryCentre(2));
    EXPECT_EQ(conversations.events, (Events{"open 1 QV-spc|" + songs + "/a\nb.spc", "close 1",
                                            "open 2 QV-spc|" + songs + "/tab\there\x7f.spc"}));
}

// A folder reader that holds a listing made on another thread, the start's, until the test
// lets it go; that listing finds `startNames`, the test's own find `names`.
class HeldStartFolder final : public core::FolderReader {
public:
    bool read(const std::string&,
              const std::function<void(const core::FolderEntry&)>& visit) override {
        const bool start = std::this_thread::get_id() != testThread_;
        if (start) {
            std::unique_lock lock(mutex_);
            released_.wait(lock, [this] { return free_; });
        }
        for (const std::string& name : start ? startNames : names)
            visit(Entry(name));
        return true;
    }
    void release() {
        const std::lock_guard lock(mutex_);
        free_ = true;
        released_.notify_all();
    }

    const std::vector<std::string> startNames{"b10.spc", "B2.spc", "a.spc"};
    std::vector<std::string> names{"chosen.spc"};

private:
    class Entry final : public core::FolderEntry {
    public:
        explicit Entry(std::string_view name) : name_(name) {}
        std::string_view name() const override { return name_; }
        bool isFile() const override { return true; }

    private:
        std::string_view name_;
    };

    const std::thread::id testThread_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable released_;
    bool free_ = false;
};

TEST(FileListBoxStart, TheStartFolderIsListedBesideTheStartAndCompleteWhenAskedFor) {
    HeldStartFolder folder;
    FileListBox list(QStringLiteral("*.spc"), folder);
    list.listStartFolder(); // as its window does after the first frame
    // The window goes on while the listing waits: its path is known, its rows not yet.
    QCoreApplication::processEvents();
    EXPECT_EQ(list.Path(), QDir::currentPath().toStdString());
    EXPECT_EQ(list.model()->rowCount(), 0);
    folder.release();
    EXPECT_EQ(list.ListCount(), 3);
    EXPECT_EQ(list.List(0), "a.spc");
    EXPECT_EQ(list.List(2), "b10.spc");
    QCoreApplication::processEvents(); // the listing's own word that it is done changes nothing
    EXPECT_EQ(list.ListCount(), 3);
}

// Asked for before its window starts the listing, the list reads the folder itself, once.
TEST(FileListBoxStart, AskedForFirstTheListReadsTheStartFolderItself) {
    HeldStartFolder folder;
    FileListBox list(QStringLiteral("*.spc"), folder);
    EXPECT_EQ(list.ListCount(), 1);
    list.listStartFolder();
    folder.release();
    QCoreApplication::processEvents();
    EXPECT_EQ(list.ListCount(), 1);
    EXPECT_EQ(list.List(0), "chosen.spc");
}

TEST(FileListBoxStart, AFolderSetWhileTheStartIsListedStaysListed) {
    HeldStartFolder folder;
    FileListBox list(QStringLiteral("*.spc"), folder);
    list.listStartFolder();
    ASSERT_TRUE(list.setPath("/"));
    folder.release();
    EXPECT_EQ(list.ListCount(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(list.Path(), "/");
    EXPECT_EQ(list.List(0), "chosen.spc");
}

TEST_F(Form1Songs, ATaggedSongShowsItsTagsOnHoverAndAnUntaggedOneNothing) {
    const QString songs = folder(QStringLiteral("tags"), {"plain.spc"});
    const std::string header =
        testing::SongHeader().title("Hovered Title").put(0x4E, "Game").put(0xA9, "185").bytes;
    for (const char* name : {"/other.spc", "/tagged.spc"}) {
        QFile tagged(songs + QLatin1String(name));
        ASSERT_TRUE(tagged.open(QIODevice::WriteOnly));
        tagged.write(header.data(), static_cast<qint64>(header.size()));
    }
    toggle();
    choose(songs);
    ASSERT_EQ(listed(), (QStringList{"other.spc", "plain.spc", "tagged.spc"}));
    QAbstractItemModel& model = *form.File1->model();
    QSignalSpy read(&model, &QAbstractItemModel::dataChanged);
    const auto waitForRead = [&] {
        read.clear();
        while (read.isEmpty())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        QApplication::processEvents();
    };

    hover(1);
    waitForRead();
    EXPECT_FALSE(QToolTip::isVisible());
    EXPECT_FALSE(model.index(1, 0).data(Qt::AccessibleDescriptionRole).isValid());

    // The pointer moves on before the tags arrive: they are not shown on the row it is on.
    hover(0);
    QCursor::setPos(form.File1->viewport()->mapToGlobal(entryCentre(1)));
    waitForRead();
    EXPECT_FALSE(QToolTip::isVisible());

    hover(2);
    while (QToolTip::text().isEmpty())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const QString expected = QStringLiteral("Hovered Title\nGame\n3:05");
    EXPECT_EQ(QToolTip::text(), expected);
    EXPECT_EQ(model.index(2, 0).data(Qt::AccessibleDescriptionRole).toString(), expected);
}

} // namespace
} // namespace ostrane::qt
