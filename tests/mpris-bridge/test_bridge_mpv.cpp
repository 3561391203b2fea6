// The bridge driving a real mpv with its MPRIS plug-in, headless, on a private session bus.

#include "platform/unix/socketconversations.h"
#include "support/linkpeerprocess.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace ostrane::platform;
using namespace ostrane::testing;
using namespace std::chrono_literals;

const std::vector<std::string> mpvCommand{"/usr/bin/mpv",
                                          "--idle=yes",
                                          "--no-config",
                                          "--no-terminal",
                                          "--vo=null",
                                          "--ao=null",
                                          "--script=/usr/lib/mpv-mpris/mpris.so"};

std::string joined(const std::vector<std::string>& words) {
    std::string line;
    for (const auto& word : words) {
        line += (line.empty() ? "" : " ") + word;
    }
    return line;
}

class BridgeWithMpv : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_bridge_mpv";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }

    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(mpvCommand.back().substr(9)))
            << "mpv-mpris is missing: run scripts/install-deps";
        std::filesystem::create_directories(songs);
    }

    std::unique_ptr<ProgramProcess> bridge(std::vector<std::string> args = {}) {
        args.insert(args.begin(), OSTRANE_MPRIS_BRIDGE);
        auto process = std::make_unique<ProgramProcess>(
            std::move(args), std::vector<std::string>{"XDG_RUNTIME_DIR=" + runtime.path()});
        EXPECT_TRUE(process->waitForReady()) << process->stderrText();
        return process;
    }

    bool converse(const std::string& topic) {
        const auto conversation = conversations.open("QV-spc", topic);
        if (conversation) {
            conversations.close(*conversation);
        }
        return conversation.has_value();
    }

    static std::string dump(const ProgramProcess& process) {
        std::string text;
        for (const auto& line : process.lines()) {
            text += line + "\n";
        }
        return text + process.stderrText();
    }

    // A copy of a demo song under `name`.
    std::string song(const std::string& name) {
        const std::string path = songs + "/" + name;
        std::filesystem::copy_file(OSTRANE_DEMO_SONG, path);
        return path;
    }

    static QVariantMap metadata() {
        QDBusMessage get =
            QDBusMessage::createMethodCall("org.mpris.MediaPlayer2.mpv", "/org/mpris/MediaPlayer2",
                                           "org.freedesktop.DBus.Properties", "Get");
        get.setArguments({"org.mpris.MediaPlayer2.Player", "Metadata"});
        const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 2000);
        if (reply.type() != QDBusMessage::ReplyMessage) {
            return {};
        }
        const QVariant value = reply.arguments().value(0).value<QDBusVariant>().variant();
        return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    }

    static std::string url() { return metadata().value("xesam:url").toString().toStdString(); }

    // mpv has opened and read the song: it knows its length from the song's own header.
    static bool playing(const std::string& uri) {
        const QVariantMap now = metadata();
        return now.value("xesam:url").toString().toStdString() == uri &&
               now.value("mpris:length").toLongLong() > 0;
    }

    TempRuntimeDir runtime;
    SocketConversations conversations{runtime.path(), std::chrono::seconds(5)};
    std::string songs = runtime.path() + "/songs";
};

TEST_F(BridgeWithMpv, ALaunchedMpvPlaysSongsWhateverTheirNames) {
    auto bridge = this->bridge({"--launch", joined(mpvCommand)});
    const std::string prefix = "file://" + songs; // the runtime folder's name needs no escape
    const std::vector<std::pair<std::string, std::string>> names{
        {"plain.spc", "/plain.spc"},
        {"with space #1 100%.spc", "/with%20space%20%231%20100%25.spc"},
        {"\xc3\x86r\xc3\xb8 \xe9\x9f\xb3\xe6\xa5\xbd.spc",
         "/%C3%86r%C3%B8%20%E9%9F%B3%E6%A5%BD.spc"},
        {"latin1 \xe9\xff.spc", "/latin1%20%E9%FF.spc"},
    };
    // mpv may take longer to start than the 800 ms a conversation waits for it.
    ASSERT_TRUE(eventually([&] { return converse("PAUSE"); }, 60s)) << dump(*bridge);
    for (const auto& [name, encoded] : names) {
        EXPECT_TRUE(converse(song(name))) << name;
        const std::string uri = prefix + encoded; // clang 14 captures no structured binding
        EXPECT_TRUE(eventually([&] { return playing(uri); }, 30s)) << name << ": " << url();
    }
    // Playing without a terminal, mpv ignores SIGTERM; what the bridge started ends with it.
    const QDBusReply<uint> launched = QDBusConnection::sessionBus().interface()->servicePid(
        QStringLiteral("org.mpris.MediaPlayer2.mpv"));
    ASSERT_TRUE(launched.isValid());
    bridge->signal(SIGTERM);
    EXPECT_EQ(bridge->waitForExit(), 0);
    EXPECT_TRUE(
        eventually([&] { return ::kill(static_cast<pid_t>(launched.value()), 0) != 0; }, 2s))
        << "the launched mpv outlives the bridge";
}

TEST_F(BridgeWithMpv, StopThenPlayResumesTheSong) {
    ProgramProcess mpv(mpvCommand);
    auto bridge = this->bridge();
    ASSERT_TRUE(bridge->waitForLine("player mpv", std::chrono::seconds(20)))
        << bridge->stderrText();
    const std::string path = song("resume me.spc");
    const std::string uri = "file://" + songs + "/resume%20me.spc";
    EXPECT_TRUE(converse(path));
    EXPECT_TRUE(eventually([&] { return playing(uri); }, 30s));
    EXPECT_TRUE(converse("STOP"));
    EXPECT_TRUE(eventually([&] { return url().empty(); }, 30s)) << "mpv forgets its song on Stop";
    EXPECT_TRUE(converse("PLAY"));
    EXPECT_TRUE(eventually([&] { return playing(uri); }, 30s)) << url();
    bridge->signal(SIGTERM);
    EXPECT_EQ(bridge->waitForExit(), 0);
    EXPECT_FALSE(mpv.waitForExit(500ms)) << "a player the bridge found is not its to end";
}

TEST_F(BridgeWithMpv, QuitEndsMpvButNotTheBridge) {
    ProgramProcess mpv(mpvCommand);
    auto bridge = this->bridge();
    ASSERT_TRUE(bridge->waitForLine("player mpv", std::chrono::seconds(20)))
        << bridge->stderrText();
    EXPECT_TRUE(converse("QUIT")) << dump(*bridge);
    EXPECT_EQ(mpv.waitForExit(30s), 0);
    EXPECT_TRUE(bridge->waitForLine("player none"));
    EXPECT_FALSE(converse("PLAY"));
    EXPECT_TRUE(bridge->waitForLineWith("QV-spc|PLAY (no player)"));
    EXPECT_FALSE(bridge->waitForExit(std::chrono::milliseconds(100)));
}

} // namespace
