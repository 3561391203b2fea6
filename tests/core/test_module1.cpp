#include "core/loadspc.h"
#include "core/module1.h"
#include "support/fakefolderpicker.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ostrane::core {
namespace {

using namespace std::string_literals;
using Events = std::vector<std::string>;

TEST(NulCut, KeepsWhatComesBeforeTheFirstNul) {
    EXPECT_EQ(cutAtFirstNul("/music/spc"), "/music/spc");
    EXPECT_EQ(cutAtFirstNul("/music\0/spc\0\0"s), "/music");
    EXPECT_EQ(cutAtFirstNul("\0/music"s), "");
    EXPECT_EQ(cutAtFirstNul(""), "");
    // A path buffer of 260 characters, filled with NULs after the path.
    std::string buffer(260, '\0');
    buffer.replace(0, 9, "C:\\Music\\");
    EXPECT_EQ(cutAtFirstNul(buffer), "C:\\Music\\");
}

class ChoosingAFolder : public ::testing::Test {
protected:
    testing::FakeFolderPicker picker;
    Events events;
    bool listCanMove = true;
    SongFolderDisplay display{
        [this](const std::string& folder) {
            events.push_back("list " + folder);
            return listCanMove;
        },
        [this](const std::string& folder) { events.push_back("label " + folder); }};
};

TEST_F(ChoosingAFolder, AsksTheOwnerWithThePromptAndCutsTheAnswer) {
    picker.answer = "/music/spc\0\0\0garbage"s;
    EXPECT_EQ(Module1::ChooseSongFolder(picker, 0x4a00007, SongFolderPrompt), "/music/spc");
    ASSERT_EQ(picker.requests.size(), 1u);
    EXPECT_EQ(picker.requests[0].owner, 0x4a00007u);
    EXPECT_EQ(picker.requests[0].prompt, "Please select your SPC directory.");
    EXPECT_EQ(picker.requests[0].prompt.size(), 33u);

    // No 260-character limit.
    const std::string deep = "/" + std::string(300, 'd') + "/" + std::string(300, 'e');
    picker.answer = deep;
    EXPECT_EQ(Module1::ChooseSongFolder(picker, 1, SongFolderPrompt), deep);
}

TEST_F(ChoosingAFolder, TheListFirstTheLabelSecond) {
    picker.answer = "/music/spc";
    Command1_Click(picker, 7, display);
    Command1_Click(picker, 7, display); // the same folder again sets both again
    EXPECT_EQ(events, (Events{"list /music/spc", "label /music/spc", "list /music/spc",
                              "label /music/spc"}));
    EXPECT_EQ(picker.requests.back().owner, 7u);

    // Assigned as a std::string: g++ 12 at -O3 takes assign(const char*) after a longer
    // value for an overlapping copy (a false -Wrestrict).
    picker.answer = "/"s;
    events.clear();
    Command1_Click(picker, 7, display);
    EXPECT_EQ(events, (Events{"list /", "label /"}));
}

TEST_F(ChoosingAFolder, ACancelOrAnEmptyPathChangesNothing) {
    for (const std::string& answer : {""s, "\0/music"s, std::string(260, '\0')}) {
        picker.answer = answer;
        Command1_Click(picker, 7, display);
    }
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(picker.requests.size(), 3u);
}

TEST_F(ChoosingAFolder, AFolderTheListCannotShowLeavesTheLabel) {
    picker.answer = "/gone";
    listCanMove = false;
    Command1_Click(picker, 7, display);
    EXPECT_EQ(events, (Events{"list /gone"}));
}

} // namespace
} // namespace ostrane::core
