#include "core/windowdescription.h"
#include "platform/unix/posixfolderreader.h"
#include "platform/unix/socketconversations.h"
#include "qt/commandbutton.h"
#include "qt/filelistbox.h"
#include "qt/fonts.h"
#include "qt/form1.h"
#include "qt/linktextbox.h"
#include "qt/picturebox.h"
#include "support/fakefolderpicker.h"
#include "support/fakenotificationicon.h"
#include "support/form1fixture.h"
#include "support/linkpeerprocess.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace ostrane::qt {
namespace {

using namespace std::chrono_literals;

// The class each kind of control is built as.
const char* classOf(core::ControlKind kind) {
    switch (kind) {
    case core::ControlKind::Label:
        return "QLabel";
    case core::ControlKind::TextBox:
        return "QLineEdit";
    case core::ControlKind::LinkTextBox:
        return "ostrane::qt::LinkTextBox";
    case core::ControlKind::CommandButton:
        return "ostrane::qt::CommandButton";
    case core::ControlKind::PictureBox:
        return "ostrane::qt::PictureBox";
    case core::ControlKind::FileListBox:
        return "ostrane::qt::FileListBox";
    }
    return "";
}

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A control's design-time text: a caption, a text, or a file list's pattern.
QString textOf(const QWidget* control) {
    if (auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (auto* list = qobject_cast<const FileListBox*>(control))
        return list->Pattern();
    return qobject_cast<const QAbstractButton*>(control)->text();
}

class Form1Layout : public testing::Form1Fixture {
protected:
    QWidget* control(std::string_view name) { return form.findChild<QWidget*>(fromView(name)); }
};

TEST_F(Form1Layout, WindowIsBlackWithItsTitleAndClientArea) {
    EXPECT_EQ(form.windowTitle(), "Corvissa");
    EXPECT_EQ(form.size(), QSize(350, 193));
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(0, 0, 0));
    EXPECT_EQ(form.font().family(), installedFace(QStringLiteral("MS Sans Serif")));
    EXPECT_EQ(form.font().pointSizeF(), 8.25);
    EXPECT_EQ(form.font().weight(), QFont::Bold);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
}

// A plugin's library, once mapped, stays for good: the window reads each picture with the
// reader its name calls for, the banner from its bitmap, never by trying every image plugin.
TEST_F(Form1Layout, ItsFirstFrameMapsNoImageCodecItDoesNotUse) {
    form.show();
    form.grab();
    std::ifstream maps("/proc/self/maps");
    const std::string mapped{std::istreambuf_iterator<char>(maps), {}};
    for (const char* codec : {"libqjpeg", "libjpeg", "libqsvg", "libqgif"})
        EXPECT_EQ(mapped.find(codec), std::string::npos) << codec;
}

TEST_F(Form1Layout, EveryControlHasItsKindPlaceAndVisibility) {
    const auto rows = core::form1Description().controls;
    // Besides the controls, only decorations that take no clicks (the path field's edge).
    qsizetype controls = 0;
    for (const QWidget* child : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        controls += child->testAttribute(Qt::WA_TransparentForMouseEvents) ? 0 : 1;
    ASSERT_EQ(controls, static_cast<qsizetype>(rows.size()));
    for (const auto& expected : rows) {
        SCOPED_TRACE(std::string(expected.name));
        QWidget* widget = control(expected.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->inherits(classOf(expected.kind))) << widget->metaObject()->className();
        EXPECT_EQ(widget->geometry(), QRect(expected.left / 15, expected.top / 15,
                                            expected.width / 15, expected.height / 15));
        EXPECT_EQ(!widget->isHidden(), expected.visible);
        EXPECT_EQ(widget->isEnabled(), expected.name != "Command1");
    }
    // Stacking: front to back as the rows, so the song list lies in front of the panel's
    // backdrop.
    const auto children = form.children();
    EXPECT_GT(children.indexOf(form.File1), children.indexOf(form.Picture5));
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_GT(children.indexOf(control(rows[i - 1].name)),
                  children.indexOf(control(rows[i].name)));
}

TEST_F(Form1Layout, ThePanelLiesBelowTheClosedWindow) {
    for (QWidget* panel :
         {static_cast<QWidget*>(form.File1), static_cast<QWidget*>(form.Label4),
          static_cast<QWidget*>(form.Label6), static_cast<QWidget*>(form.Picture5)})
        EXPECT_GE(panel->y(), form.height()) << panel->objectName().toStdString();
}

TEST_F(Form1Layout, TextsAndFonts) {
    for (const auto& expected : core::form1Description().controls) {
        SCOPED_TRACE(std::string(expected.name));
        QWidget* widget = control(expected.name);
        ASSERT_NE(widget, nullptr);
        if (expected.kind != core::ControlKind::PictureBox) {
            EXPECT_EQ(textOf(widget), fromView(expected.caption));
        }
        const QFont font = widget->font();
        if (!expected.font.isWindowFont()) {
            EXPECT_EQ(font.family(), installedFace(fromView(expected.font.face)));
            EXPECT_EQ(font.pointSizeF(), expected.font.points);
            EXPECT_EQ(font.weight(), expected.font.weight);
        } else {
            EXPECT_EQ(font, form.font());
        }
    }
    EXPECT_EQ(form.Label5->text(), "");
    EXPECT_EQ(form.Text1->text(), "QV-spc|c:\\windows\\desktop\\op4ton.spc");
    EXPECT_EQ(form.Command5->font().family(), installedFace(QStringLiteral("Tempus Sans ITC")));
    EXPECT_EQ(form.File1->font().family(), installedFace(QStringLiteral("Arial")));
    EXPECT_EQ(form.File1->font().pointSizeF(), 9.75);
    EXPECT_EQ(form.File1->font().weight(), QFont::Bold);
}

TEST_F(Form1Layout, Colours) {
    auto text = [](QWidget* w) { return w->palette().color(QPalette::WindowText); };
    auto back = [](QWidget* w) { return w->palette().color(QPalette::Window); };
    EXPECT_EQ(text(form.Label1), QColor(255, 255, 255));
    EXPECT_EQ(text(form.Label2), QColor(255, 255, 255));
    EXPECT_EQ(text(form.Label3), QColor(0, 255, 0));
    EXPECT_EQ(text(form.Label6), QColor(0, 255, 0));
    for (QLabel* label : {form.Label1, form.Label2, form.Label3, form.Label6}) {
        EXPECT_EQ(back(label), QColor(0, 0, 0));
        EXPECT_TRUE(label->autoFillBackground());
    }
    EXPECT_EQ(text(form.Label4), QColor(0, 192, 0));
    EXPECT_FALSE(form.Label4->autoFillBackground());
    EXPECT_EQ(form.Text1->palette().color(QPalette::Text), QColor(0, 192, 192));
    EXPECT_EQ(form.Text1->palette().color(QPalette::Base), QColor(0, 0, 0));
    EXPECT_EQ(form.Text5->palette().color(QPalette::Base), QColor(255, 255, 255));
    EXPECT_EQ(form.Command1->palette().color(QPalette::Button), QColor(192, 192, 0));
    EXPECT_EQ(form.Command5->palette().color(QPalette::Button), QColor(128, 128, 255));
    EXPECT_EQ(form.File1->palette().color(QPalette::Text), QColor(0, 255, 0));
    EXPECT_EQ(form.File1->palette().color(QPalette::Base), QColor(0, 0, 0));
}

TEST_F(Form1Layout, TabOrderFollowsTheTabIndexesThroughWhatIsInSight) {
    // Transport buttons run pause, play, stop from left to right; their tab order runs the
    // other way.
    auto chain = [this] {
        std::vector<std::string> names;
        QWidget* next = form.Text1;
        do {
            // The hidden link boxes keep their place in the chain but never take the focus.
            if (next->parentWidget() == &form &&
                (next->focusPolicy() != Qt::NoFocus || qobject_cast<LinkTextBox*>(next)))
                names.push_back(next->objectName().toStdString());
            next = next->nextInFocusChain();
        } while (next != form.Text1 && names.size() < 100);
        return names;
    };
    const std::vector<std::string> inSight{
        "Text1", "Command1", "Text2",    "Command2", "Text3",    "Command3", "Text4",   "Command4",
        "Text5", "Command5", "Picture1", "Text6",    "Picture2", "Picture3", "Picture4"};
    EXPECT_EQ(chain(), inSight);
    // The panel below the closed window comes into the chain, in its place, when it opens.
    QTest::mouseClick(form.Picture2, Qt::LeftButton);
    std::vector<std::string> opened = inSight;
    opened.insert(opened.end(), {"File1", "Picture5"});
    EXPECT_EQ(chain(), opened);
    QTest::mouseClick(form.Picture2, Qt::LeftButton);
    EXPECT_EQ(chain(), inSight);
    EXPECT_LT(form.Command4->x(), form.Command3->x());
    EXPECT_LT(form.Command3->x(), form.Command2->x());
}

TEST(Form1Palette, TheDesktopsColoursNeverReachTheWindow) {
    // A dark desktop palette, set before the window exists and changed while it does.
    const QPalette desktop = QApplication::palette();
    QPalette dark;
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button, QPalette::WindowText,
                      QPalette::Text, QPalette::ButtonText, QPalette::Light, QPalette::Shadow})
        dark.setColor(role, QColor(40, 0, 40));
    QApplication::setPalette(dark);
    testing::Form1Fakes fakes;
    Form1 form(fakes.platform());
    dark.setColor(QPalette::Window, QColor(0, 40, 40));
    QApplication::setPalette(dark);

    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(0, 0, 0));
    // Colours the rows name, and the fixed system colours where they name one.
    EXPECT_EQ(form.Command2->backColor(), QColor(239, 239, 239));
    EXPECT_EQ(form.Command2->palette().color(QPalette::ButtonText), QColor(0, 0, 0));
    EXPECT_EQ(form.Picture1->palette().color(QPalette::Window), QColor(255, 255, 255));
    EXPECT_EQ(form.Picture1->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_EQ(form.Text2->palette().color(QPalette::Base), QColor(255, 255, 255));
    EXPECT_EQ(form.Text1->palette().color(QPalette::Base), QColor(0, 0, 0));
    EXPECT_EQ(form.Label3->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    // Every role of every control, not just the ones the rows name.
    for (QWidget* control : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        SCOPED_TRACE(control->objectName().toStdString());
        for (int role = 0; role < QPalette::NColorRoles; ++role)
            for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
                EXPECT_NE(control->palette().color(group, QPalette::ColorRole(role)),
                          QColor(40, 0, 40));
    }
    QApplication::setPalette(desktop);
}

TEST_F(Form1Layout, NoLinkControlHasALinkAtStart) {
    for (LinkTextBox* box : {form.Text2, form.Text3, form.Text4, form.Text5, form.Text6}) {
        EXPECT_EQ(box->link().linkMode(), core::LinkMode::None);
        EXPECT_EQ(box->link().linkTopic(), "");
    }
}

TEST_F(Form1Layout, LoadCentresTheWindowOnThePrimaryScreen) {
    form.Form1_Load();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect frame = form.frameGeometry();
    EXPECT_LE(std::abs(frame.left() - (screen.width() - frame.width()) / 2), 1);
    EXPECT_LE(std::abs(frame.top() - (screen.height() - frame.height()) / 2), 1);
}

using Form1Transport = testing::Form1Fixture;

TEST_F(Form1Transport, EachButtonSendsItsCommandThroughItsOwnLinkControl) {
    form.show();
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QTest::mouseClick(form.Command3, Qt::LeftButton);
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    QTest::mouseClick(form.Command5, Qt::LeftButton);
    QTest::mouseClick(form.Command3, Qt::LeftButton);
    EXPECT_EQ(
        conversations.events,
        (std::vector<std::string>{"open 1 QV-spc|STOP", "open 2 QV-spc|PLAY", "open 3 QV-spc|PAUSE",
                                  "open 4 QV-spc|QUIT", "close 2", "open 5 QV-spc|PLAY"}));
    EXPECT_EQ(form.Text3->link().linkTopic(), "QV-spc|PLAY");
    EXPECT_EQ(form.Text3->text(), "QV-spc|PLAY");
}

class Form1WithPeer : public ::testing::Test, protected testing::Form1Fakes {
protected:
    // The peer serves where the program looks: this test's own runtime folder.
    static std::optional<std::string> runtimeDir() {
        const char* dir = std::getenv("XDG_RUNTIME_DIR");
        return dir ? std::optional<std::string>(dir) : std::nullopt;
    }
    std::size_t openDescriptors() {
        const auto fds = std::filesystem::directory_iterator("/proc/self/fd");
        return static_cast<std::size_t>(std::distance(begin(fds), end(fds)));
    }
    platform::SocketConversations socket;
};

TEST_F(Form1WithPeer, EachButtonReachesThePlayer) {
    testing::LinkPeerProcess peer(runtimeDir());
    ASSERT_TRUE(peer.waitForReady());
    Form1 form(platform(socket));
    form.show();
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    EXPECT_TRUE(peer.waitForLine("open #1 QV-spc|STOP"));
    QTest::mouseClick(form.Command3, Qt::LeftButton);
    EXPECT_TRUE(peer.waitForLine("open #2 QV-spc|PLAY"));
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    EXPECT_TRUE(peer.waitForLine("open #3 QV-spc|PAUSE"));
    QTest::mouseClick(form.Command5, Qt::LeftButton);
    EXPECT_TRUE(peer.waitForLine("open #4 QV-spc|QUIT"));
    // A second press ends the button's first conversation before the new one opens.
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    EXPECT_TRUE(peer.waitForLine("open #5 QV-spc|STOP"));
    const auto lines = peer.lines();
    EXPECT_LT(std::find(lines.begin(), lines.end(), "close #1"),
              std::find(lines.begin(), lines.end(), "open #5 QV-spc|STOP"));
}

TEST_F(Form1WithPeer, WithoutAPlayerAPressEndsSilently) {
    Form1 form(platform(socket));
    form.show();
    QTest::mouseClick(form.Command3, Qt::LeftButton);
    EXPECT_EQ(form.Text3->link().linkMode(), core::LinkMode::None);
    EXPECT_EQ(form.Text3->text(), "QV-spc|PLAY");
}

TEST_F(Form1WithPeer, AHungOrRefusingPlayerNeverHoldsTheWindowBeyondTheBound) {
    Form1 form(platform(socket));
    form.show();
    for (const char* behaviour : {"--hang", "--refuse", "--chatter"}) {
        SCOPED_TRACE(behaviour);
        testing::LinkPeerProcess peer(runtimeDir(), {behaviour});
        ASSERT_TRUE(peer.waitForReady());
        const auto started = std::chrono::steady_clock::now();
        QTest::mouseClick(form.Command4, Qt::LeftButton);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
        EXPECT_EQ(form.Text4->text(), "QV-spc|PAUSE");
        EXPECT_EQ(form.Text4->link().linkMode(), std::string_view(behaviour) == "--chatter"
                                                     ? core::LinkMode::Automatic
                                                     : core::LinkMode::None);
    }
    // A player that dies with the conversation open, then a new one: the next press works.
    {
        testing::LinkPeerProcess peer(runtimeDir());
        ASSERT_TRUE(peer.waitForReady());
        QTest::mouseClick(form.Command4, Qt::LeftButton);
        ASSERT_TRUE(peer.waitForLine("open #1 QV-spc|PAUSE"));
        peer.signal(SIGKILL);
        ASSERT_TRUE(peer.waitForExit());
    }
    testing::LinkPeerProcess peer(runtimeDir());
    ASSERT_TRUE(peer.waitForReady());
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    EXPECT_TRUE(peer.waitForLine("open #1 QV-spc|PAUSE"));
}

TEST_F(Form1WithPeer, ManyPressesKeepOneConversationPerControlAndNoDescriptors) {
    testing::LinkPeerProcess peer(runtimeDir());
    ASSERT_TRUE(peer.waitForReady());
    Form1 form(platform(socket));
    form.show();
    QTest::mouseClick(form.Command3, Qt::LeftButton);
    ASSERT_TRUE(peer.waitForLine("open #1 QV-spc|PLAY"));
    // The start's listing, which holds its folder open on a thread of its own, is done.
    form.File1->ListCount();
    const std::size_t descriptors = openDescriptors();
    constexpr int Presses = 10'000;
    for (int press = 0; press < Presses; ++press)
        form.Command3->click();
    EXPECT_EQ(openDescriptors(), descriptors);
    const std::string last = "open #" + std::to_string(Presses + 1) + " QV-spc|PLAY";
    ASSERT_TRUE(peer.waitForLine(last));
    ASSERT_TRUE(peer.waitForLine("close #" + std::to_string(Presses)));
    const auto lines = peer.lines();
    auto count = [&](std::string_view prefix) {
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& line) { return line.starts_with(prefix); });
    };
    EXPECT_EQ(count("open #"), Presses + 1);
    EXPECT_EQ(count("close #"), Presses);
}

} // namespace
} // namespace ostrane::qt
