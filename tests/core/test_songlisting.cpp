#include "core/naturalorder.h"
#include "core/songlisting.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

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
    // A name no ending fits may still fit a wildcard in the middle, or a bare "*".
    EXPECT_TRUE(FilePattern("*.spc;a*t").matches("abt"));
    EXPECT_TRUE(FilePattern("*.spc;*").matches("a.txt"));
    EXPECT_FALSE(FilePattern("*.spc;*.sp1").matches("a.spt"));
}

using Names = std::vector<std::string>;

Names sorted(const Names& names) {
    NameList list;
    for (const std::string& name : names)
        list.append(name);
    sortNaturally(list);
    return Names(list.begin(), list.end());
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
    EXPECT_EQ(Names(names->begin(), names->end()), (Names{"a\xff.spc", "B2.SP9", "b10.spc"}));
    EXPECT_EQ(folder.fileQuestions, 4);
}

// The order as it is defined, one full key comparison at a time, against the listing's
// faster sort over a large folder: with and without a long start that every name shares,
// and with the keys' zero bytes, short keys and bad bytes right after that start.
TEST(SongListing, ALargeFolderComesInTheOrderOfItsKeys) {
    const char* const pieces[] = {
        "",  "0",    "00",     "007",    "1",    "10", "9", "99999999999999999999",
        "é", "É",    "ſ",      "\xff",   "\xc3", " ",  "a", "B",
        "-", "\x01", "track ", "Track ", "x",    "X0"};
    std::mt19937 random(22);
    for (const std::string shared : {"Album - Track ", ""}) {
        FakeFolder folder;
        std::vector<std::pair<std::string, std::string>> reference;
        for (int i = 0; i < 30'000; ++i) {
            std::string name = shared;
            for (auto count = random() % 6; count > 0; --count)
                name += pieces[random() % std::size(pieces)];
            if (name.empty() || name.starts_with('.'))
                continue;
            folder.entries.push_back({name, true});
            reference.emplace_back(naturalOrderKey(name), name);
        }
        std::sort(reference.begin(), reference.end());
        const auto names = listSongs(folder, "/songs", FilePattern("*"));
        ASSERT_TRUE(names);
        ASSERT_EQ(names->size(), reference.size());
        for (std::size_t i = 0; i < reference.size(); ++i)
            ASSERT_EQ((*names)[i], reference[i].second) << "at " << i;
    }
}

TEST(SongListing, AFolderThatCannotBeReadGivesNothing) {
    FakeFolder folder;
    folder.readable = false;
    EXPECT_FALSE(listSongs(folder, "/songs", Songs));
}

} // namespace
} // namespace ostrane::core
