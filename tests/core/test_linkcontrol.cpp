#include "core/linkaddress.h"
#include "core/linkcontrol.h"
#include "support/fakeconversations.h"

#include <gtest/gtest.h>

namespace ostrane::core {
namespace {

using Events = std::vector<std::string>;

TEST(LinkAddress, SplitsAtTheFirstBarOnly) {
    auto address = splitLinkAddress("QV-spc|c:\\windows\\desktop\\op4ton.spc");
    ASSERT_TRUE(address);
    EXPECT_EQ(address->service, "QV-spc");
    EXPECT_EQ(address->topic, "c:\\windows\\desktop\\op4ton.spc");

    address = splitLinkAddress("QV-spc|/music/a|b|c.spc");
    ASSERT_TRUE(address);
    EXPECT_EQ(address->service, "QV-spc");
    EXPECT_EQ(address->topic, "/music/a|b|c.spc");

    address = splitLinkAddress("|");
    ASSERT_TRUE(address);
    EXPECT_EQ(address->service, "");
    EXPECT_EQ(address->topic, "");

    EXPECT_FALSE(splitLinkAddress("Text6"));
    EXPECT_FALSE(splitLinkAddress(""));
}

class SendSequence : public ::testing::Test {
protected:
    testing::FakeConversations conversations;
};

TEST_F(SendSequence, ClosesThePreviousConversationBeforeOpeningTheNext) {
    LinkControl text2(conversations);
    text2.send("QV-spc|STOP");
    text2.send("QV-spc|STOP");

    EXPECT_EQ(conversations.events,
              (Events{"open 1 QV-spc|STOP", "close 1", "open 2 QV-spc|STOP"}));
    EXPECT_EQ(conversations.openIds.size(), 1u);
    EXPECT_EQ(text2.linkMode(), LinkMode::Automatic);
    EXPECT_EQ(text2.linkTopic(), "QV-spc|STOP");
}

TEST_F(SendSequence, ControlsKeepTheirOwnConversations) {
    LinkControl text3(conversations);
    LinkControl text2(conversations);
    text3.send("QV-spc|PLAY");
    text2.send("QV-spc|STOP");

    EXPECT_EQ(conversations.events, (Events{"open 1 QV-spc|PLAY", "open 2 QV-spc|STOP"}));
    EXPECT_EQ(text3.linkMode(), LinkMode::Automatic);
    EXPECT_EQ(text2.linkMode(), LinkMode::Automatic);
}

TEST_F(SendSequence, AFailedOpenLeavesNoConversationAndIsNotReported) {
    LinkControl text4(conversations);
    text4.send("QV-spc|PAUSE");
    conversations.serverRunning = false;

    EXPECT_NO_THROW(text4.send("QV-spc|PAUSE"));
    EXPECT_EQ(text4.linkMode(), LinkMode::None);
    EXPECT_EQ(conversations.events,
              (Events{"open 1 QV-spc|PAUSE", "close 1", "failed QV-spc|PAUSE"}));

    // A send without a conversation has nothing to close, and the next one tries again.
    conversations.serverRunning = true;
    text4.send("QV-spc|PAUSE");
    EXPECT_EQ(conversations.events.back(), "open 2 QV-spc|PAUSE");
}

TEST_F(SendSequence, AnAddressWithoutServiceOpensNothing) {
    LinkControl text6(conversations);
    text6.send("Text6");
    EXPECT_EQ(text6.linkMode(), LinkMode::None);
    EXPECT_EQ(text6.linkTopic(), "Text6");
    EXPECT_TRUE(conversations.events.empty());
}

TEST_F(SendSequence, SettingTheModeDirectly) {
    LinkControl text5(conversations);
    text5.setLinkMode(LinkMode::None); // nothing open: nothing to close
    EXPECT_TRUE(conversations.events.empty());

    text5.setLinkTopic("QV-spc|QUIT");
    text5.setLinkMode(LinkMode::Automatic);
    text5.setLinkMode(LinkMode::Automatic); // already open: stays the same conversation
    EXPECT_EQ(conversations.events, (Events{"open 1 QV-spc|QUIT"}));

    conversations.serverRunning = false;
    text5.setLinkMode(LinkMode::None);
    EXPECT_THROW(text5.setLinkMode(LinkMode::Automatic), LinkError);
    EXPECT_EQ(text5.linkMode(), LinkMode::None);
}

TEST_F(SendSequence, AConversationEndsWithItsControl) {
    {
        LinkControl text2(conversations);
        text2.send("QV-spc|STOP");
    }
    EXPECT_TRUE(conversations.openIds.empty());
}

} // namespace
} // namespace ostrane::core
