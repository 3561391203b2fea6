#include "core/songlisting.h"
#include "platform/unix/posixfolderreader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrane::platform {
namespace {

namespace fs = std::filesystem;
using core::FilePattern;

using Names = std::vector<std::string>;

const core::FilePattern Songs("*.spc;*.sp1;*.sp2;*.sp3;*.sp4;*.sp5;*.sp6;*.sp7;*.sp8;*.sp9");

// A folder of its own for each test, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "ostrane-listing.XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, ignored);
        fs::remove_all(path_, ignored);
    }
    bool isValid() const { return !path_.empty(); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class FolderListing : public ::testing::Test {
protected:
    ScratchFolder folder;
    fs::path at(const char* name) { return fs::path(folder.path()) / name; }
    void file(const char* name) { std::ofstream(at(name)) << "song"; }
    std::optional<Names> listFiles(const std::string& path) {
        return core::listSongs(reader, path, Songs);
    }

private:
    PosixFolderReader reader;
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

    const auto names = listFiles(folder.path());
    ASSERT_TRUE(names);
    EXPECT_EQ(*names, (Names{"a.SP1", "b 2.spc", "link to a.spc"}));
}

TEST_F(FolderListing, NamesReachTheListExactly) {
    const char* const names[] = {"-rf.spc", "a|b.spc", "Ünïcödé ♪.spc", "  two  spaces .spc"};
    for (const char* name : names)
        file(name);
    const auto listed = listFiles(folder.path());
    ASSERT_TRUE(listed);
    ASSERT_EQ(listed->size(), 4);
    for (const char* name : names)
        EXPECT_TRUE(std::find(listed->begin(), listed->end(), name) != listed->end()) << name;
}

TEST_F(FolderListing, AFolderThatCannotBeReadGivesNothing) {
    EXPECT_FALSE(listFiles(folder.path() + "/missing"));
    file("a.spc");
    EXPECT_FALSE(listFiles(folder.path() + "/a.spc")); // a file, not a folder
    if (geteuid() != 0) {
        fs::create_directory(at("locked"));
        fs::permissions(at("locked"), fs::perms::none);
        EXPECT_FALSE(listFiles(folder.path() + "/locked"));
        fs::permissions(at("locked"), fs::perms::owner_all);
    }
    const auto root = listFiles("/");
    EXPECT_TRUE(root);
}

TEST_F(FolderListing, AHundredThousandEntries) {
    for (int i = 0; i < 100'000; ++i) {
        const std::string name = "track " + std::to_string(i) + (i % 2 ? ".txt" : ".spc");
        std::ofstream{at(name.c_str())};
    }
    const auto names = listFiles(folder.path());
    ASSERT_TRUE(names);
    ASSERT_EQ(names->size(), 50'000);
    EXPECT_EQ(names->front(), "track 0.spc");
    EXPECT_EQ(names->at(1), "track 2.spc");
    EXPECT_EQ(names->back(), "track 99998.spc");
}

} // namespace
} // namespace ostrane::platform
