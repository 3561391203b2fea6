// The DDEML client against the DDEML link peer, each in its own process.

#include "core/linkcontrol.h"
#include "peerprocess.h"
#include "platform/win32/ddeconversations.h"
#include "wintest.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>

using namespace ostrane;
using platform::win32::DdeConversations;
using wintest::LinkPeer;

namespace {

// The position of the first line equal to `line`, or the number of lines.
std::size_t positionOf(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<std::size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
}

std::string tagged(const char* word, int number, const std::string& rest = {}) {
    std::string line = word;
    line.append(" #").append(std::to_string(number));
    if (!rest.empty())
        line.append(" ").append(rest);
    return line;
}

} // namespace

WIN_TEST(everyTopicReachesThePeerExactly) {
    LinkPeer peer;
    WIN_REQUIRE(peer.ready());
    DdeConversations conversations;
    WIN_REQUIRE(conversations.initialised());
    // The topic, and how the peer's line shows it: a backslash doubled.
    const std::pair<std::string, std::string> topics[] = {
        {"STOP", "STOP"},
        {"PLAY", "PLAY"},
        {"PAUSE", "PAUSE"},
        {"QUIT", "QUIT"},
        {"C:\\My Music\\Chrono Songs\\01 Corridors of Time.spc",
         "C:\\\\My Music\\\\Chrono Songs\\\\01 Corridors of Time.spc"},
        {"C:\\Музыка\\Ærø ξένος\\曲 01.spc", "C:\\\\Музыка\\\\Ærø ξένος\\\\曲 01.spc"},
    };
    int number = 0;
    for (const auto& [topic, shown] : topics) {
        const auto conversation = conversations.open("QV-spc", topic);
        WIN_CHECK(conversation.has_value());
        WIN_CHECK(peer.waitForLine(tagged("open", ++number, "QV-spc|" + shown)));
        if (conversation)
            conversations.close(*conversation);
        WIN_CHECK(peer.waitForLine(tagged("close", number)));
    }
}

WIN_TEST(serviceNamesMatchWithoutRegardToCase) {
    LinkPeer peer;
    WIN_REQUIRE(peer.ready());
    DdeConversations conversations;
    const auto conversation = conversations.open("qv-SPC", "PLAY");
    WIN_CHECK(conversation.has_value());
    // DDE keeps a name in the case it was first registered in.
    WIN_CHECK(peer.waitForLine("open #1 QV-spc|PLAY"));
}

WIN_TEST(noServerFailsTheOpenQuickly) {
    DdeConversations conversations;
    const auto started = std::chrono::steady_clock::now();
    const auto conversation = conversations.open("QV-spc", "PLAY");
    const auto took = std::chrono::steady_clock::now() - started;
    WIN_CHECK(!conversation.has_value());
    // Nobody answers the broadcast at once; only a hung machine takes seconds.
    WIN_CHECK(took < std::chrono::seconds(10));
}

WIN_TEST(aPeerThatNeverAnswersFailsTheOpenAfterTheTimeOut) {
    // Long enough that a loaded machine finishes the opens that should succeed.
    constexpr auto timeOut = std::chrono::seconds(10);
    DdeConversations conversations(timeOut);
    {
        LinkPeer hung({L"--hang"});
        WIN_REQUIRE(hung.ready());
        const auto started = std::chrono::steady_clock::now();
        WIN_CHECK(!conversations.open("QV-spc", "PLAY").has_value());
        const auto took = std::chrono::steady_clock::now() - started;
        WIN_CHECK(took >= timeOut);
        WIN_CHECK(took < timeOut + std::chrono::seconds(20));
        WIN_CHECK(hung.waitForLine("hang #1 QV-spc|PLAY"));
    }
    // Once the hung player is gone, the next player is reached again.
    LinkPeer peer;
    WIN_REQUIRE(peer.ready());
    WIN_CHECK(conversations.open("QV-spc", "STOP").has_value());
    WIN_CHECK(peer.waitForLine("open #1 QV-spc|STOP"));
}

WIN_TEST(aPeerThatRefusesFailsTheOpen) {
    LinkPeer peer({L"--refuse"});
    WIN_REQUIRE(peer.ready());
    DdeConversations conversations;
    WIN_CHECK(!conversations.open("QV-spc", "STOP").has_value());
    WIN_CHECK(peer.waitForLine("refuse #1 QV-spc|STOP"));
}

WIN_TEST(anotherServiceFailsTheOpen) {
    LinkPeer peer({L"--service", L"Other-player"});
    WIN_REQUIRE(peer.ready());
    DdeConversations conversations;
    WIN_CHECK(!conversations.open("QV-spc", "PLAY").has_value());
    WIN_CHECK(conversations.open("other-player", "PLAY").has_value());
    WIN_CHECK(peer.waitForLine("open #1 Other-player|PLAY"));
}

WIN_TEST(textsNoStringHandleCanCarryOpenNothing) {
    LinkPeer peer;
    WIN_REQUIRE(peer.ready());
    DdeConversations conversations;
    // An empty string handle would be a wildcard, reaching whatever server there is.
    WIN_CHECK(!conversations.open("QV-spc", "").has_value());
    WIN_CHECK(!conversations.open("", "PLAY").has_value());
    WIN_CHECK(!conversations.open("QV-spc", std::string(256, 'a')).has_value());
    WIN_CHECK(!conversations.open("QV-spc", "\xff\xfe").has_value());
    WIN_CHECK(conversations.open("QV-spc", std::string(255, 'a')).has_value());
    WIN_CHECK(peer.waitForLine("open #1 QV-spc|" + std::string(255, 'a')));
}

WIN_TEST(everyConversationStaysOpenUntilClosed) {
    LinkPeer peer;
    WIN_REQUIRE(peer.ready());
    DdeConversations conversations;
    const auto first = conversations.open("QV-spc", "PLAY");
    const auto second = conversations.open("QV-spc", "STOP");
    WIN_REQUIRE(first && second);
    WIN_CHECK(peer.waitForLine("open #2 QV-spc|STOP"));
    conversations.close(*second);
    WIN_CHECK(peer.waitForLine("close #2"));
    WIN_CHECK(positionOf(peer.lines(), "close #1") == peer.lines().size());
    conversations.close(*first);
    WIN_CHECK(peer.waitForLine("close #1"));
}

WIN_TEST(aSecondSendClosesTheFirstConversationBeforeOpening) {
    LinkPeer peer;
    WIN_REQUIRE(peer.ready());
    DdeConversations conversations;
    core::LinkControl text3(conversations);
    text3.send("QV-spc|PLAY");
    WIN_CHECK(text3.linkMode() == core::LinkMode::Automatic);
    text3.send("QV-spc|PLAY");
    WIN_CHECK(text3.linkMode() == core::LinkMode::Automatic);
    WIN_REQUIRE(peer.waitForLine("open #2 QV-spc|PLAY"));
    WIN_REQUIRE(peer.waitForLine("close #1"));
    const auto lines = peer.lines();
    WIN_CHECK(positionOf(lines, "close #1") < positionOf(lines, "open #2 QV-spc|PLAY"));
}

WIN_TEST(aSendWithNoPlayerLeavesTheControlWithoutConversation) {
    DdeConversations conversations;
    core::LinkControl text2(conversations);
    text2.send("QV-spc|STOP");
    WIN_CHECK(text2.linkMode() == core::LinkMode::None);
    WIN_CHECK_EQ(text2.linkTopic(), std::string("QV-spc|STOP"));
}

WIN_TEST(thePeerKeepsItsCommandLine) {
    const std::wstring program = wintest::besideTest(L"corvissa-link-peer.exe");
    wintest::ChildProcess help(program, {L"--help"});
    WIN_CHECK(help.waitForExit() == DWORD{0});
    WIN_CHECK(help.waitFor([](const std::string& line) { return line.starts_with("Usage:"); }));

    wintest::ChildProcess unknown(program, {L"--bogus"});
    WIN_CHECK(unknown.waitForExit() == DWORD{2});
    wintest::ChildProcess clash(program, {L"--refuse", L"--hang"});
    WIN_CHECK(clash.waitForExit() == DWORD{2});

    wintest::ChildProcess brief(program, {L"--stop-after", L"0.2"});
    WIN_CHECK(brief.waitForExit() == DWORD{0});
}

WIN_TEST(aSecondPeerForTheSameNameStops) {
    LinkPeer first;
    WIN_REQUIRE(first.ready());
    wintest::ChildProcess second(wintest::besideTest(L"corvissa-link-peer.exe"),
                                 {L"--service", L"qv-SPC"});
    WIN_CHECK(second.waitForExit() == DWORD{3});
    DdeConversations conversations;
    WIN_CHECK(conversations.open("QV-spc", "PLAY").has_value());
    WIN_CHECK(first.waitForLine("open #1 QV-spc|PLAY"));
}

WIN_TEST(anOpenFromAThreadWithAWindowDoesNotWaitForItself) {
    LinkPeer peer;
    WIN_REQUIRE(peer.ready());
    // A connect asks every top-level window for the service; the caller's window is one, and
    // its thread is the one waiting for the connect.
    const HWND window = ::CreateWindowExW(0, L"STATIC", L"caller", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                          100, nullptr, nullptr, nullptr, nullptr);
    WIN_REQUIRE(window != nullptr);
    DdeConversations conversations(std::chrono::milliseconds(5000));
    const auto start = std::chrono::steady_clock::now();
    const auto open = conversations.open("QV-spc", "PLAY");
    const auto took = std::chrono::steady_clock::now() - start;
    WIN_CHECK(open.has_value());
    WIN_CHECK(took < std::chrono::milliseconds(900));
    if (open)
        conversations.close(*open);
    ::DestroyWindow(window);
}
