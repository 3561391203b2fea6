#include "core/serialconversations.h"
#include "platform/unix/posixfolderreader.h"
#include "platform/unix/socketconversations.h"
#include "qt/commandbutton.h"
#include "qt/form1.h"
#include "support/fakefolderpicker.h"
#include "support/fakenotificationicon.h"
#include "support/linkpeerprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

namespace ostrane::qt {
namespace {

using namespace std::chrono_literals;
using testing::LinkPeerProcess;

// The window with the conversations main gives it, against a player that never answers.
class Form1HungPlayer : public ::testing::Test {
protected:
    testing::TempRuntimeDir runtime;
    LinkPeerProcess peer{runtime.path(), {"--hang"}};
    std::unique_ptr<core::SerialConversations> conversations =
        std::make_unique<core::SerialConversations>([dir = runtime.path()] {
            return std::make_unique<platform::SocketConversations>(dir);
        });
    testing::FakeFolderPicker folderPicker;
    platform::PosixFolderReader folderReader;
    testing::FakeNotificationIcon notificationIcon;
    std::unique_ptr<Form1> form = std::make_unique<Form1>(
        core::Form1Platform{*conversations, folderPicker, notificationIcon, folderReader});
};

TEST_F(Form1HungPlayer, TheWindowKeepsAnsweringWhileFivePressesWait) {
    ASSERT_TRUE(peer.waitForReady()) << peer.stderrText();
    form->show();

    // A timer due every 10 ms: how late it fires is how long the window could not answer.
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 worst = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        worst = std::max(worst, now - last);
        last = now;
    });
    clock.start();
    heartbeat.start(10);

    qint64 slowestPress = 0;
    for (CommandButton* button :
         {form->Command2, form->Command3, form->Command4, form->Command5, form->Command2}) {
        QElapsedTimer press;
        press.start();
        button->click();
        slowestPress = std::max(slowestPress, press.elapsed());
        QApplication::processEvents();
    }
    // Each open waits out its 1,000 ms in turn, the window all the while.
    QElapsedTimer waited;
    waited.start();
    while (conversations->backlog() > 1 && waited.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    heartbeat.stop();
    std::printf("worst heartbeat gap %lld ms, slowest press %lld ms, %lld ms for the five\n",
                static_cast<long long>(worst), static_cast<long long>(slowestPress),
                static_cast<long long>(waited.elapsed()));
    // A window that waited on the player would stall for a whole time-out (1,000 ms) per
    // press. The bounds stay well below that but leave room for a busy machine; the figures
    // printed above, and the soak bench, tell how quick it really is.
    EXPECT_LT(slowestPress, 400);
    EXPECT_LT(worst, 500);
    EXPECT_GE(waited.elapsed(), 3500);

    // One at a time, in the order pressed: each conversation ends before the next begins.
    ASSERT_TRUE(peer.waitForLine("close #4"));
    ASSERT_TRUE(peer.waitForLine("hang #5 QV-spc|STOP"));
    const std::vector<std::string> expected{
        "hang #1 QV-spc|STOP",  "close #1", "hang #2 QV-spc|PLAY", "close #2",
        "hang #3 QV-spc|PAUSE", "close #3", "hang #4 QV-spc|QUIT", "close #4",
        "hang #5 QV-spc|STOP"};
    auto lines = peer.lines();
    lines.erase(lines.begin()); // "ready …"
    EXPECT_EQ(lines, expected);
}

TEST_F(Form1HungPlayer, EndingWhileAnOpenWaitsTakesOneTimeOutAtMost) {
    ASSERT_TRUE(peer.waitForReady()) << peer.stderrText();
    form->show();
    for (CommandButton* button : {form->Command3, form->Command4, form->Command3})
        button->click();
    ASSERT_TRUE(peer.waitForLine("hang #1 QV-spc|PLAY"));
    QElapsedTimer ending;
    ending.start();
    form.reset();
    conversations.reset();
    // Without the bound the two queued opens would add a second each.
    EXPECT_LT(ending.elapsed(), 1000 + 600);
    // The waiting opens never reached the player.
    EXPECT_TRUE(peer.waitForLine("close #1"));
    EXPECT_EQ(peer.lines().size(), 3u);
}

} // namespace
} // namespace ostrane::qt
