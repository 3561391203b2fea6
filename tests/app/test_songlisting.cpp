#include "app/songlisting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

// Readable failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace ostrane::app {
namespace {

namespace fs = std::filesystem;

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

QStringList sorted(QStringList names) {
    sortNaturally(names);
    return names;
}

TEST(NaturalOrder, NumbersByValueLettersWithoutRegardToCase) {
    EXPECT_EQ(sorted({"track 10.spc", "Track 2.spc", "track 1.spc", "TRACK 100.spc"}),
              (QStringList{"track 1.spc", "Track 2.spc", "track 10.spc", "TRACK 100.spc"}));
    EXPECT_EQ(sorted({"b.spc", "A.spc", "a2.spc", "a10b.spc", "a10a.spc"}),
              (QStringList{"A.spc", "a2.spc", "a10a.spc", "a10b.spc", "b.spc"}));
    // Leading zeros do not count; equal keys fall back to the names themselves.
    EXPECT_EQ(sorted({"x010.spc", "x9.spc", "x10.spc", "x0.spc", "x.spc"}),
              (QStringList{"x.spc", "x0.spc", "x9.spc", "x010.spc", "x10.spc"}));
    EXPECT_EQ(sorted({"song.spc", "Song.spc", "SONG.spc"}),
              (QStringList{"SONG.spc", "Song.spc", "song.spc"}));
    // Beyond ASCII too, and numbers longer than any integer.
    EXPECT_EQ(sorted({"éb.spc", "Éa.spc"}), (QStringList{"Éa.spc", "éb.spc"}));
    EXPECT_EQ(sorted({"n100000000000000000000001", "n99999999999999999999999"}),
              (QStringList{"n99999999999999999999999", "n100000000000000000000001"}));
    EXPECT_EQ(naturalOrderKey("ÉA ſ.spc"), naturalOrderKey("éa s.SPC"));
    // Bytes that are not UTF-8 keep their place instead of failing the listing.
    EXPECT_EQ(naturalOrderKey("a\xff\xc3"), "a\xff\xc3");
}

class FolderListing : public ::testing::Test {
protected:
    QTemporaryDir folder;
    fs::path at(const char* name) { return fs::path(folder.path().toStdString()) / name; }
    void file(const char* name) { std::ofstream(at(name)) << "song"; }
};

TEST_F(FolderListing, ListsOnlyFilesAndLinksToFiles) {
    ASSERT_TRUE(folder.isValid());
    file("b 2.spc");
    file("a.SP1");
    file("notes.txt");
    file("c.sp0");
    file("noextension");
    file(".hidden.spc");
    fs::create_directory(at("folder.spc"));
    fs::create_symlink(at("gone"), at("broken.spc"));
    fs::create_symlink(at("a.SP1"), at("link to a.spc"));
    fs::create_symlink(at("folder.spc"), at("link to folder.spc"));
    ASSERT_EQ(mkfifo(at("pipe.spc").c_str(), 0600), 0);

    const auto names = listFiles(folder.path(), Songs);
    ASSERT_TRUE(names);
    EXPECT_EQ(*names, (QStringList{"a.SP1", "b 2.spc", "link to a.spc"}));
}

TEST_F(FolderListing, NamesReachTheListExactly) {
    const char* const names[] = {"-rf.spc", "a|b.spc", "Ünïcödé ♪.spc", "  two  spaces .spc"};
    for (const char* name : names)
        file(name);
    const auto listed = listFiles(folder.path(), Songs);
    ASSERT_TRUE(listed);
    ASSERT_EQ(listed->size(), 4);
    for (const char* name : names)
        EXPECT_TRUE(listed->contains(QString::fromUtf8(name))) << name;
}

TEST_F(FolderListing, AFolderThatCannotBeReadGivesNothing) {
    EXPECT_FALSE(listFiles(folder.path() + "/missing", Songs));
    file("a.spc");
    EXPECT_FALSE(listFiles(folder.path() + "/a.spc", Songs)); // a file, not a folder
    if (geteuid() != 0) {
        fs::create_directory(at("locked"));
        fs::permissions(at("locked"), fs::perms::none);
        EXPECT_FALSE(listFiles(folder.path() + "/locked", Songs));
        fs::permissions(at("locked"), fs::perms::owner_all);
    }
    const auto root = listFiles(QStringLiteral("/"), Songs);
    EXPECT_TRUE(root);
}

TEST_F(FolderListing, AHundredThousandEntries) {
    for (int i = 0; i < 100'000; ++i) {
        const std::string name = "track " + std::to_string(i) + (i % 2 ? ".txt" : ".spc");
        std::ofstream{at(name.c_str())};
    }
    const auto names = listFiles(folder.path(), Songs);
    ASSERT_TRUE(names);
    ASSERT_EQ(names->size(), 50'000);
    EXPECT_EQ(names->first(), "track 0.spc");
    EXPECT_EQ(names->at(1), "track 2.spc");
    EXPECT_EQ(names->last(), "track 99998.spc");
}

} // namespace
} // namespace ostrane::app
