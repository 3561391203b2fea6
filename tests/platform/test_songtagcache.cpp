#include "core/songtagcache.h"
#include "platform/unix/posixsongfiles.h"
#include "support/songheader.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <latch>
#include <map>
#include <sys/stat.h>

namespace ostrane::core {
namespace {

// The tooltips delivered, in order; a test waits for a count, never for a time.
struct Deliveries {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::string> list;

    SongTagCache::Delivery sink() {
        return [this](std::uint64_t generation, const std::string& name, const std::string& tip) {
            const std::lock_guard lock(mutex);
            list.push_back(std::to_string(generation) + ' ' + name + ' ' + tip);
            arrived.notify_all();
        };
    }
    std::vector<std::string> waitFor(std::size_t count) {
        std::unique_lock lock(mutex);
        arrived.wait(lock, [&] { return list.size() >= count; });
        return list;
    }
};

// Songs in memory, each its title alone; the first open waits until the test lets it go.
struct HeldSongFiles final : SongFileOpener {
    std::map<std::string, std::string> songs;
    std::latch entered{1}, release{1};
    std::vector<std::string> opened;

    struct Memory final : SongFile {
        std::string bytes;
        std::size_t readAt(std::uint64_t offset, char* buffer, std::size_t size) override {
            return bytes.copy(buffer, size, std::min<std::size_t>(offset, bytes.size()));
        }
    };
    std::unique_ptr<SongFile> open(const std::string& path) override {
        opened.push_back(path);
        if (opened.size() == 1) {
            entered.count_down();
            release.wait();
        }
        auto file = std::make_unique<Memory>();
        file->bytes = testing::SongHeader().title(songs[path]).bytes;
        return file;
    }
};

TEST(SongTagCache, AFifoNamedLikeASongNeverBlocksAndHasNoTooltip) {
    std::string folder = std::filesystem::temp_directory_path() / "ostrane-tags.XXXXXX";
    ASSERT_TRUE(mkdtemp(folder.data()));
    ASSERT_EQ(mkfifo((folder + "/pipe.spc").c_str(), 0600), 0);
    std::ofstream(folder + "/song.spc") << testing::SongHeader().title("Title").bytes;
    platform::PosixSongFiles files;
    Deliveries deliveries;
    {
        SongTagCache cache(files, deliveries.sink());
        cache.setFolder(folder);
        cache.request("pipe.spc");
        deliveries.waitFor(1);
        cache.request("song.spc");
        EXPECT_EQ(deliveries.waitFor(2),
                  (std::vector<std::string>{"1 pipe.spc ", "1 song.spc Title"}));
        EXPECT_EQ(cache.tooltip("pipe.spc"), "");
        EXPECT_EQ(cache.tooltip("absent.spc"), std::nullopt);
    }
    std::filesystem::remove_all(folder);
}

// While the first read is held: of the requests that wait, only the newest is read, and a new
// folder drops them and the held read's late result.
TEST(SongTagCache, OnlyTheNewestRequestOfTheListedFolderIsReadAndDelivered) {
    HeldSongFiles files;
    files.songs = {{"/a/old.spc", "Old"}, {"/b/new.spc", "New"}};
    Deliveries deliveries;
    SongTagCache cache(files, deliveries.sink());
    cache.setFolder("/a");
    cache.request("old.spc");
    files.entered.wait();
    cache.request("waiting.spc");
    cache.setFolder("/b");
    for (const char* name : {"1.spc", "2.spc", "new.spc"})
        cache.request(name);
    files.release.count_down();
    EXPECT_EQ(deliveries.waitFor(1), (std::vector<std::string>{"2 new.spc New"}));
    EXPECT_EQ(files.opened, (std::vector<std::string>{"/a/old.spc", "/b/new.spc"}));
    EXPECT_EQ(cache.tooltip("old.spc"), std::nullopt);
}

} // namespace
} // namespace ostrane::core
