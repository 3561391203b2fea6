#include "core/serialconversations.h"
#include "platform/unix/posixfolderreader.h"
#include "platform/unix/socketconversations.h"
#include "qt/commandbutton.h"
#include "qt/form1.h"
#include "support/form1fixture.h"
#include "support/linkpeerprocess.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace ostrane::qt {
namespace {

using namespace std::chrono_literals;
using testing::LinkPeerProcess;

// The window with the conversations main gives it, against a player that never answers.
class Form1HungPlayer : public ::testing::Test, protected testing::Form1Fakes {
protected:
    testing::TempRuntimeDir runtime;
    LinkPeerProcess peer{runtime.path(), {"--hang"}};
    std::unique_ptr<core::SerialConversations> serial = std::make_unique<core::SerialConversations>(
        [dir = runtime.path()] { return std::make_unique<platform::SocketConversations>(dir); });
    std::unique_ptr<Form1> form = std::make_unique<Form1>(platform(*serial));
};

TEST_F(Form1HungPlayer, TheWindowKeepsAnsweringWhileFivePressesWait) {
    ASSERT_TRUE(peer.waitForReady()) << peer.stderrText();
    form->show();

    // The player holds every open until the client gives up: a press that waited for it
    // would not return before the first conversation ends.
    for (CommandButton* button :
         {form->Command2, form->Command3, form->Command4, form->Command5, form->Command2})
        button->click();
    ASSERT_TRUE(peer.waitForLine("hang #1 QV-spc|STOP"));
    const auto whilePressing = peer.lines();
    EXPECT_EQ(std::find(whilePressing.begin(), whilePressing.end(), "close #1"),
              whilePressing.end());
    EXPECT_GE(serial->backlog(), 4u);
    // The window keeps handling its events while the opens wait their turns.
    while (serial->backlog() > 1)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);

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
    form.reset();
    serial.reset();
    // The waiting opens never reached the player.
    EXPECT_TRUE(peer.waitForLine("close #1"));
    EXPECT_EQ(peer.lines().size(), 3u);
}

} // namespace
} // namespace ostrane::qt
