#include "core/naturalorder.h"
#include "core/songlisting.h"

#include <gtest/gtest.h>

namespace ostrane::core {
namespace {

const FilePattern Songs("*.spc;*.sp1;*.sp2;*.sp3;*.sp4;*.sp5;*.sp6;*.sp7;*.sp8;*.sp9");

TEST(FilePattern, MatchesTheTenSongEndingsWithoutRegardToCase) {
    for (const char* name : {"a.spc", "a.sp1", "a.sp5", "a.sp9", "A.SPC", "b.Sp3", "x.y.spc",
                             ".spc", "song 1 | -x.SPC", "Ünïcödé.spc"})
        EXPECT_TRUE(Songs.matches(name)) << name;
    for (const char* name :
         {"a.sp0", "a.sp", "a.spa", "a.spc.txt", "a.spcc", "spc", "a_spc", "a", "", "a.sp10"})
        EXPECT_FALSE(Songs.matches(name)) << name;
}

TEST(FilePattern, WildcardsAnywhere) {
    const FilePattern pattern("track?.s*c;;exact.TXT");
    EXPECT_TRUE(pattern.matches("track1.spc"));
    EXPECT_TRUE(pattern.matches("TRACKé.sxyzc")); // "?" takes a whole character
    EXPECT_TRUE(pattern.matches("track1.sc"));
    EXPECT_FALSE(pattern.matches("track12.spc"));
    EXPECT_FALSE(pattern.matches("track.spc"));
    EXPECT_TRUE(pattern.matches("Exact.txt"));
    EXPECT_FALSE(pattern.matches("exact.txt2"));
    EXPECT_FALSE(FilePattern("").matches("a.spc"));
    EXPECT_TRUE(FilePattern("*").matches("anything"));
}

using Names = std::vector<std::string>;

Names sorted(Names names) {
    sortNaturally(names);
    return names;
}

TEST(NaturalOrder, NumbersByValueLettersWithoutRegardToCase) {
    EXPECT_EQ(sorted({"track 10.spc", "Track 2.spc", "track 1.spc", "TRACK 100.spc"}),
              (Names{"track 1.spc", "Track 2.spc", "track 10.spc", "TRACK 100.spc"}));
    EXPECT_EQ(sorted({"b.spc", "A.spc", "a2.spc", "a10b.spc", "a10a.spc"}),
              (Names{"A.spc", "a2.spc", "a10a.spc", "a10b.spc", "b.spc"}));
    // Leading zeros do not count; equal keys fall back to the names themselves.
    EXPECT_EQ(sorted({"x010.spc", "x9.spc", "x10.spc", "x0.spc", "x.spc"}),
              (Names{"x.spc", "x0.spc", "x9.spc", "x010.spc", "x10.spc"}));
    EXPECT_EQ(sorted({"song.spc", "Song.spc", "SONG.spc"}),
              (Names{"SONG.spc", "Song.spc", "song.spc"}));
    // Beyond ASCII too, and numbers longer than any integer.
    EXPECT_EQ(sorted({"éb.spc", "Éa.spc"}), (Names{"Éa.spc", "éb.spc"}));
    EXPECT_EQ(sorted({"n100000000000000000000001", "n99999999999999999999999"}),
              (Names{"n99999999999999999999999", "n100000000000000000000001"}));
    EXPECT_EQ(naturalOrderKey("ÉA ſ.spc"), naturalOrderKey("éa s.SPC"));
    // Bytes that are not UTF-8 keep their place instead of failing the listing.
    EXPECT_EQ(naturalOrderKey("a\xff\xc3"), "a\xff\xc3");
}

// A folder in memory that counts how often it is asked whether an entry is a file.
class FakeFolder final : public FolderReader {
public:
    struct Entry {
        std::string name;
        bool file;
    };
    std::vector<Entry> entries;
    bool readable = true;
    mutable int fileQuestions = 0;

    bool read(const std::string&, const std::function<void(const FolderEntry&)>& visit) override {
        if (!readable)
            return false;
        for (const Entry& entry : entries)
            visit(Answer(entry, fileQuestions));
        return readable;
    }

private:
    class Answer final : public FolderEntry {
    public:
        Answer(const Entry& entry, int& questions) : entry_(entry), questions_(questions) {}
        std::string_view name() const override { return entry_.name; }
        bool isFile() const override {
            ++questions_;
            return entry_.file;
        }

    private:
        const Entry& entry_;
        int& questions_;
    };
};

TEST(SongListing, KeepsMatchingVisibleFilesInNaturalOrderAndAsksOnlyAboutThem) {
    FakeFolder folder;
    folder.entries = {{"b10.spc", true}, {"notes.txt", true}, {".hidden.spc", true},
                      {"B2.SP9", true},  {"dir.spc", false},  {"a\xff.spc", true}};
    const auto names = listSongs(folder, "/songs", Songs);
    ASSERT_TRUE(names);
    EXPECT_EQ(*names, (Names{"a\xff.spc", "B2.SP9", "b10.spc"}));
    EXPECT_EQ(folder.fileQuestions, 4);
}

TEST(SongListing, AFolderThatCannotBeReadGivesNothing) {
    FakeFolder folder;
    folder.readable = false;
    EXPECT_FALSE(listSongs(folder, "/songs", Songs));
}

} // namespace
} // namespace ostrane::core
