#include "platform/unix/conversationsocket.h"
#include "requestreader.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace ostrane::platform;
namespace core = ostrane::core;
using namespace std::string_literals;
using ostrane::server::RequestParser;
using State = RequestParser::State;

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) {
        out.push_back(static_cast<char>(v));
    }
    return out;
}

std::string header(std::uint16_t serviceLength) {
    return "DDE1"s + static_cast<char>(serviceLength & 0xff) +
           static_cast<char>(serviceLength >> 8);
}

std::string topicLength(std::uint32_t length) {
    std::string out;
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((length >> (8 * i)) & 0xff));
    }
    return out;
}

TEST(RequestEncoding, WritesMagicLengthsAndBytesLittleEndian) {
    EXPECT_EQ(encodeRequest("QV-spc", "PLAY"),
              bytes({'D', 'D', 'E',  '1',  0x06, 0x00, 'Q', 'V', '-', 's',
                     'p', 'c', 0x04, 0x00, 0x00, 0x00, 'P', 'L', 'A', 'Y'}));
    const auto longTopic = encodeRequest("s", std::string(0xfedc, 't'));
    ASSERT_TRUE(longTopic);
    EXPECT_EQ(longTopic->substr(4, 7), bytes({0x01, 0x00, 's', 0xdc, 0xfe, 0x00, 0x00}));
}

TEST(RequestEncoding, RefusesWhatNoServerCouldRead) {
    EXPECT_FALSE(encodeRequest("", "PLAY"));
    EXPECT_FALSE(encodeRequest("a/b", "PLAY"));
    EXPECT_FALSE(encodeRequest("a\0b"s, "PLAY"));
    EXPECT_FALSE(encodeRequest(std::string(256, 's'), "PLAY"));
    EXPECT_TRUE(encodeRequest(std::string(255, 's'), "PLAY"));
    EXPECT_TRUE(encodeRequest("s", std::string(maxTopicBytes, 't')));
    EXPECT_FALSE(encodeRequest("s", std::string(maxTopicBytes + 1, 't')));
}

struct Sample {
    std::string service;
    std::string topic;
};

const std::vector<Sample> samples = {
    {"QV-spc", "PLAY"},
    {"QV-spc", ""},
    {"q", "/home/ana/Música/Ærø | live\\set/01 a b.ogg"},
    {"QV-spc", "nul\0inside\n"s},
    {std::string(255, 'S'), std::string(maxTopicBytes, '\xff')},
};

TEST(RequestParsing, ReadsEveryRequestWholeOrOneByteAtATime) {
    for (const auto& sample : samples) {
        const std::string wire = *encodeRequest(sample.service, sample.topic);
        const ConversationRequest expected{sample.service, sample.topic};

        RequestParser whole;
        EXPECT_EQ(whole.feed(wire), State::complete);
        EXPECT_EQ(whole.request(), expected);
        EXPECT_EQ(whole.consumed(), wire.size());

        RequestParser byByte;
        for (std::size_t i = 0; i < wire.size(); ++i) {
            ASSERT_EQ(byByte.feed(wire.substr(i, 1)),
                      i + 1 == wire.size() ? State::complete : State::needMore)
                << "byte " << i << " of a request for " << sample.topic.substr(0, 20);
        }
        EXPECT_EQ(byByte.request(), expected);
    }
}

TEST(RequestParsing, ReadsRequestsSplitAtRandomPoints) {
    std::mt19937 random(7);
    const std::string wire = *encodeRequest("QV-spc", std::string(3000, 'x') + "end");
    for (int round = 0; round < 200; ++round) {
        RequestParser parser;
        std::size_t at = 0;
        State state = State::needMore;
        while (at < wire.size()) {
            const std::size_t piece = random() % 700;
            state = parser.feed(std::string_view(wire).substr(at, piece));
            at += piece;
        }
        ASSERT_EQ(state, State::complete);
        EXPECT_EQ(parser.request().topic.size(), 3003u);
    }
}

TEST(RequestParsing, LeavesBytesAfterTheRequestAndIgnoresLaterFeeds) {
    const std::string wire = *encodeRequest("QV-spc", "STOP");
    RequestParser parser;
    EXPECT_EQ(parser.feed(wire + "DDE1 and more"), State::complete);
    EXPECT_EQ(parser.consumed(), wire.size());
    EXPECT_EQ(parser.feed("more"), State::complete);
    EXPECT_EQ(parser.consumed(), wire.size());
    EXPECT_EQ(parser.request().topic, "STOP");
}

TEST(RequestParsing, NeedsMoreForEveryProperPrefix) {
    const std::string wire = *encodeRequest("QV-spc", "PAUSE");
    for (std::size_t size = 0; size < wire.size(); ++size) {
        RequestParser parser;
        EXPECT_EQ(parser.feed(wire.substr(0, size)), State::needMore) << size;
    }
}

TEST(RequestParsing, RefusesMalformedRequestsAsSoonAsTheyAreKnownBad) {
    struct Case {
        const char* what;
        std::string wire;
        std::size_t consumedAtFailure;
    };
    const std::vector<Case> cases = {
        {"garbage", "GET / HTTP/1.1\r\n", 1},
        {"wrong version", "DDE2" + header(1).substr(4) + "s", 4},
        {"lower-case magic", "dde1", 1},
        {"empty service", header(0) + topicLength(0), 6},
        {"service over 255 bytes", header(256) + std::string(256, 's'), 6},
        {"huge service length", header(0xffff), 6},
        {"service with a slash", header(3) + "a/b" + topicLength(0), 9},
        {"service with a NUL", header(3) + "a\0b"s + topicLength(0), 9},
        {"topic over 65536 bytes", header(1) + "s" + topicLength(maxTopicBytes + 1), 11},
        {"huge topic length", header(1) + "s" + topicLength(0xffffffff), 11},
    };
    for (const auto& c : cases) {
        RequestParser parser;
        EXPECT_EQ(parser.feed(c.wire + std::string(100, 'x')), State::malformed) << c.what;
        EXPECT_EQ(parser.consumed(), c.consumedAtFailure) << c.what;
        EXPECT_EQ(parser.feed(*encodeRequest("QV-spc", "PLAY")), State::malformed) << c.what;
    }
}

TEST(ServiceNames, AreOneTo255BytesWithoutSlashOrNul) {
    EXPECT_TRUE(core::isValidServiceName("QV-spc"));
    EXPECT_TRUE(core::isValidServiceName("Ünïcode service . with spaces"));
    EXPECT_TRUE(core::isValidServiceName(std::string(255, 'a')));
    EXPECT_FALSE(core::isValidServiceName(""));
    EXPECT_FALSE(core::isValidServiceName(std::string(256, 'a')));
    EXPECT_FALSE(core::isValidServiceName("../x"));
    EXPECT_FALSE(core::isValidServiceName("x\0"s));
}

// A name is its socket's file name: it may not be the folder, its parent or a lock file.
TEST(ServiceNames, ReachNoFolderEntryButTheirOwnSocket) {
    for (const char* name : {".", "..", ".lock", "QV-spc.lock", "QV-spc.LoCk"}) {
        EXPECT_FALSE(core::isValidServiceName(name)) << name;
        EXPECT_FALSE(encodeRequest(name, "PLAY")) << name;
        EXPECT_FALSE(socketPlaceFor(name, "/run/user/1000", 1000)) << name;
    }
    for (const char* name : {"...", ".x", "lock", "x.locks", "x.lock.y", "xlock"}) {
        EXPECT_TRUE(core::isValidServiceName(name)) << name;
    }
}

TEST(ServiceNames, MatchWithoutRegardToAsciiCaseOnly) {
    EXPECT_TRUE(core::sameServiceName("QV-spc", "qv-SPC"));
    EXPECT_FALSE(core::sameServiceName("QV-spc", "QV-spd"));
    EXPECT_FALSE(core::sameServiceName("QV-spc", "QV-spc2"));
    EXPECT_FALSE(core::sameServiceName("\xc3\x89", "\xc3\xa9")); // É and é are different bytes
    EXPECT_EQ(core::lowerCaseServiceName("QV-Spc ÄB"), "qv-spc Äb");
}

TEST(SocketPlaces, LieInTheRuntimeFolderWhenItIsAbsolute) {
    const auto place = socketPlaceFor("QV-spc", "/run/user/1000", 1000);
    ASSERT_TRUE(place);
    EXPECT_EQ(place->folder, "/run/user/1000/dde");
    EXPECT_EQ(place->socketPath, "/run/user/1000/dde/qv-spc");
    EXPECT_EQ(place->lockPath, "/run/user/1000/dde/qv-spc.lock");
    EXPECT_EQ(socketPlaceFor("QV-spc", "/run/user/1000//", 1000)->socketPath,
              "/run/user/1000/dde/qv-spc");
}

TEST(SocketPlaces, FallBackToTmpWhenTheRuntimeFolderIsUnsetEmptyOrRelative) {
    for (const std::optional<std::string_view> runtime :
         {std::optional<std::string_view>(), std::optional<std::string_view>(""),
          std::optional<std::string_view>("run/user/1000"),
          std::optional<std::string_view>("./x")}) {
        const auto place = socketPlaceFor("QV-spc", runtime, 1234);
        ASSERT_TRUE(place);
        EXPECT_EQ(place->socketPath, "/tmp/dde-1234/qv-spc");
    }
}

TEST(SocketPlaces, AreRefusedBeyondTheSocketPathLimit) {
    const std::string prefix = "/r/dde/"; // what socketPlaceFor puts before the name
    const std::string longest(maxSocketPathBytes - prefix.size(), 'n');
    EXPECT_EQ(maxSocketPathBytes, 107u);
    EXPECT_EQ(socketPlaceFor(longest, "/r", 0)->socketPath.size(), 107u);
    EXPECT_FALSE(socketPlaceFor(longest + "n", "/r", 0));
    EXPECT_FALSE(socketPlaceFor("a/b", "/r", 0));
}

class ConversationFolders : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/ostrane-folders.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
        folder = root + "/dde";
    }
    void TearDown() override { std::filesystem::remove_all(root); }

    std::string root;
    std::string folder;
};

TEST_F(ConversationFolders, AreUsableOnlyAsPrivateRealDirectoriesOfTheUser) {
    EXPECT_EQ(inspectConversationFolder(folder, ::geteuid()), FolderState::missing);
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    EXPECT_EQ(inspectConversationFolder(folder, ::geteuid()), FolderState::usable);
    EXPECT_EQ(inspectConversationFolder(folder, ::geteuid() + 1), FolderState::wrongOwner);
    for (mode_t mode : {0750, 0701, 0702, 0770, 0777}) {
        ASSERT_EQ(::chmod(folder.c_str(), mode), 0);
        EXPECT_EQ(inspectConversationFolder(folder, ::geteuid()), FolderState::openToOthers)
            << std::oct << mode;
    }
    ASSERT_EQ(::chmod(folder.c_str(), 0700), 0);

    const std::string link = root + "/link";
    ASSERT_EQ(::symlink(folder.c_str(), link.c_str()), 0);
    EXPECT_EQ(inspectConversationFolder(link, ::geteuid()), FolderState::notADirectory);
    const std::string file = root + "/file";
    std::ofstream(file) << "x";
    ASSERT_EQ(::chmod(file.c_str(), 0700), 0);
    EXPECT_EQ(inspectConversationFolder(file, ::geteuid()), FolderState::notADirectory);
}

TEST_F(ConversationFolders, OfAnotherOwnerAreNotUsable) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving a folder to another user needs root";
    }
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    EXPECT_EQ(inspectConversationFolder(folder, 0), FolderState::wrongOwner);
}

} // namespace
