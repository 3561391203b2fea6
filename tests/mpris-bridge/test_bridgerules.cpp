// The bridge's rules without a bus: topics, file URIs, player names and the player choice.

#include "bridgeoptions.h"
#include "bridgerules.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace ostrane::bridge;
using namespace std::string_literals;

TEST(BridgeTopic, CommandsMatchInAnyCaseAndSongsBeginWithASlash) {
    EXPECT_EQ(classifyTopic("STOP"), TopicKind::stop);
    EXPECT_EQ(classifyTopic("play"), TopicKind::play);
    EXPECT_EQ(classifyTopic("Pause"), TopicKind::pause);
    EXPECT_EQ(classifyTopic("QUIT"), TopicKind::quit);
    EXPECT_EQ(classifyTopic("/home/a/song.spc"), TopicKind::song);
    EXPECT_EQ(classifyTopic("/"), TopicKind::song);
    for (const auto& topic :
         {""s, "PLAY "s, " PLAY"s, "PLAYS"s, "song.spc"s, "~/a.spc"s, "PLAY\0"s, "STO"s}) {
        EXPECT_EQ(classifyTopic(topic), TopicKind::invalid) << topic;
    }
}

TEST(FileUri, KeepsSlashesAndUnreservedBytesAndEncodesEveryOtherByte) {
    EXPECT_EQ(fileUriFor("/music/A-z_0.9~x.spc"), "file:///music/A-z_0.9~x.spc");
    EXPECT_EQ(fileUriFor("/a b/#1 100%.spc"), "file:///a%20b/%231%20100%25.spc");
    EXPECT_EQ(fileUriFor("/Ærø?&=+;,"), "file:///%C3%86r%C3%B8%3F%26%3D%2B%3B%2C");
    EXPECT_EQ(fileUriFor("/bad\xff\x80\x01\x7f.spc"), "file:///bad%FF%80%01%7F.spc");
    EXPECT_EQ(fileUriFor("/\xe9\x9f\xb3\xe6\xa5\xbd"), "file:///%E9%9F%B3%E6%A5%BD");
}

TEST(SongFile, OnlyAReadableRegularFileIsASong) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("bridge-rules-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto song = dir / "a #1.spc";
    std::ofstream(song) << "x";
    std::filesystem::create_symlink(song, dir / "link.spc");
    std::filesystem::create_symlink(dir / "missing", dir / "broken.spc");
    EXPECT_TRUE(isReadableRegularFile(song));
    EXPECT_TRUE(isReadableRegularFile(dir / "link.spc"));
    EXPECT_FALSE(isReadableRegularFile(dir / "broken.spc"));
    EXPECT_FALSE(isReadableRegularFile(dir));
    EXPECT_FALSE(isReadableRegularFile("/dev/null"));
    EXPECT_FALSE(isReadableRegularFile(song.string() + "\0tail"s));
    std::filesystem::remove_all(dir);
}

TEST(PlayerName, TheMprisPrefixIsCutAndANameMatchesItsInstances) {
    EXPECT_EQ(playerNameOf("org.mpris.MediaPlayer2.vlc"), "vlc");
    EXPECT_EQ(playerNameOf("org.mpris.MediaPlayer2.vlc.instance42"), "vlc.instance42");
    EXPECT_FALSE(playerNameOf("org.mpris.MediaPlayer2."));
    EXPECT_FALSE(playerNameOf("org.mpris.MediaPlayer2"));
    EXPECT_FALSE(playerNameOf("org.atheme.audacious"));

    EXPECT_TRUE(playerNameMatches("vlc", "vlc"));
    EXPECT_TRUE(playerNameMatches("vlc", "vlc.instance42"));
    EXPECT_FALSE(playerNameMatches("vlc", "vlcx"));
    EXPECT_FALSE(playerNameMatches("vlc.instance42", "vlc"));
    EXPECT_FALSE(playerNameMatches("", "vlc"));
}

PlayerCandidate candidate(std::vector<std::string> names, std::uint64_t active = 0,
                          PlaybackStatus status = PlaybackStatus::stopped, bool control = true) {
    return {std::move(names), active, status, control};
}

std::optional<std::string> chosen(const std::vector<PlayerCandidate>& players,
                                  const PlayerPreferences& prefs = {}) {
    const auto choice = choosePlayer(players, prefs);
    return choice ? std::optional(choice->name) : std::nullopt;
}

TEST(PlayerChoice, MostRecentlyActiveWinsThenPlayingThenPausedThenName) {
    EXPECT_EQ(chosen({}), std::nullopt);
    EXPECT_EQ(chosen({candidate({"mpv"}, 1), candidate({"audacious"}, 2)}), "audacious");
    EXPECT_EQ(chosen({candidate({"mpv"}, 3), candidate({"audacious"}, 2)}), "mpv");
    EXPECT_EQ(chosen({candidate({"a"}, 5, PlaybackStatus::paused),
                      candidate({"b"}, 5, PlaybackStatus::playing)}),
              "b");
    EXPECT_EQ(chosen({candidate({"a"}, 5, PlaybackStatus::stopped),
                      candidate({"b"}, 5, PlaybackStatus::paused)}),
              "b");
    EXPECT_EQ(chosen({candidate({"b"}, 5), candidate({"a"}, 5)}), "a");
}

TEST(PlayerChoice, PlayersThatCannotBeControlledOrAreIgnoredAreSkipped) {
    EXPECT_EQ(chosen({candidate({"mpv"}, 9, PlaybackStatus::playing, false), candidate({"vlc"})}),
              "vlc");
    EXPECT_EQ(chosen({candidate({"mpv"}, 9, PlaybackStatus::playing, false)}), std::nullopt);
    const PlayerPreferences ignoreVlc{{}, {"vlc"}};
    EXPECT_EQ(chosen({candidate({"vlc", "vlc.instance7"}, 9), candidate({"mpv"})}, ignoreVlc),
              "mpv");
    // One name of a connection ignored is the whole player ignored.
    const PlayerPreferences ignoreInstance{{}, {"vlc.instance7"}};
    EXPECT_EQ(chosen({candidate({"vlc", "vlc.instance7"}, 9), candidate({"mpv"})}, ignoreInstance),
              "mpv");
}

TEST(PlayerChoice, ThePriorityListComesBeforeActivityAndAnyStandsForTheRest) {
    const std::vector<PlayerCandidate> players{candidate({"mpv"}, 9, PlaybackStatus::playing),
                                               candidate({"vlc.instance7"}, 1),
                                               candidate({"audacious"}, 5)};
    EXPECT_EQ(chosen(players, {{"vlc", "mpv"}, {}}), "vlc.instance7");
    EXPECT_EQ(chosen(players, {{"clementine", "audacious", "%any"}, {}}), "audacious");
    EXPECT_EQ(chosen(players, {{"clementine", "%any", "audacious"}, {}}), "mpv");
    EXPECT_EQ(chosen(players, {{"clementine"}, {}}), std::nullopt);
    EXPECT_EQ(chosen(players, {{"%any", "mpv"}, {}}), "audacious");
    EXPECT_EQ(chosen(players, {{"audacious", "%any"}, {"audacious"}}), "mpv");
}

TEST(PlayerChoice, AConnectionWithTwoNamesIsOnePlayerAddressedByItsBestName) {
    const std::vector<PlayerCandidate> vlc{candidate({"vlc.instance7", "vlc"}, 3)};
    EXPECT_EQ(chosen(vlc), "vlc");
    EXPECT_EQ(chosen(vlc, {{"vlc.instance7", "vlc"}, {}}), "vlc.instance7");
    const auto choice =
        choosePlayer({candidate({"mpv"}, 1), candidate({"vlc.instance7", "vlc"}, 3)}, {});
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->candidate, 1u);
}

TEST(PlayerChoice, TheConnectionsOfOneProcessAreOnePlayerWhicheverWasActiveLast) {
    // One process on two connections: its status signals reach the bridge from either, in
    // any order, and the choice must not flip between them.
    auto vlcName = candidate({"vlc"}, 4, PlaybackStatus::playing);
    auto vlcInstance = candidate({"vlc.instance7"}, 5, PlaybackStatus::playing);
    vlcName.process = vlcInstance.process = 7;
    EXPECT_EQ(chosen({vlcInstance, vlcName}), "vlc");
    vlcName.lastActive = 6;
    EXPECT_EQ(chosen({vlcInstance, vlcName}), "vlc");
    // Another process more recently active still wins, and the priority list still rules.
    EXPECT_EQ(chosen({vlcInstance, vlcName, candidate({"mpv"}, 7)}), "mpv");
    EXPECT_EQ(chosen({vlcInstance, vlcName}, {{"vlc.instance7"}, {}}), "vlc.instance7");
    // Without a known process each connection stands alone.
    vlcName.process = vlcInstance.process = 0;
    vlcInstance.lastActive = 9;
    EXPECT_EQ(chosen({vlcInstance, vlcName}), "vlc.instance7");
}

TEST(BridgeOptions, ListsAddUpAndBadOptionsExitWithTwo) {
    const auto good =
        parseBridgeOptions({"--player", "vlc,,%any", "--player", "mpv", "--ignore-player", "x",
                            "--launch", "mpv --idle", "--service", "Other"});
    ASSERT_TRUE(good.options);
    EXPECT_EQ(good.options->players.priority, (std::vector<std::string>{"vlc", "%any", "mpv"}));
    EXPECT_EQ(good.options->players.ignored, (std::vector<std::string>{"x"}));
    EXPECT_EQ(good.options->launch, "mpv --idle");
    EXPECT_EQ(good.options->service, "Other");
    EXPECT_EQ(parseBridgeOptions({}).options->service, "QV-spc");

    for (const auto& bad : std::vector<std::vector<std::string>>{{"--player"},
                                                                 {"--player", ","},
                                                                 {"--launch", ""},
                                                                 {"--service", "a/b"},
                                                                 {"--service", ""},
                                                                 {"--frobnicate"}}) {
        const auto invocation = parseBridgeOptions(bad);
        EXPECT_FALSE(invocation.options) << bad[0];
        EXPECT_EQ(invocation.status, 2) << bad[0];
        EXPECT_TRUE(invocation.errors.starts_with("corvissa-mpris-bridge: ")) << invocation.errors;
    }
    const auto help = parseBridgeOptions({"--help"});
    EXPECT_FALSE(help.options);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("--launch"), std::string::npos);
}

} // namespace
