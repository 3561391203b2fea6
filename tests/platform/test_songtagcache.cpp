#include "core/songtagcache.h"
#include "platform/unix/posixsongfiles.h"

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <latch>
#include <map>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace ostrane::core {
namespace {

std::string taggedSong(std::string_view title) {
    std::string bytes(SongHeaderBytes, '\0');
    bytes.replace(0, 35, "SNES-SPC700 Sound File Data v0.30\x1a\x1a");
    bytes[0x23] = 26;
    bytes.replace(0x2E, title.size(), title);
    return bytes;
}

// What the cache delivered, in order; the test waits for a count, never for a time.
class Deliveries {
public:
    using Delivery = std::tuple<std::uint64_t, std::string, std::string>;
    SongTagCache::Delivery sink() {
        return [this](std::uint64_t generation, const std::string& name, const std::string& tip) {
            const std::lock_guard lock(mutex_);
            list_.emplace_back(generation, name, tip);
            arrived_.notify_all();
        };
    }
    std::vector<Delivery> waitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        arrived_.wait(lock, [&] { return list_.size() >= count; });
        return list_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Delivery> list_;
};

// Songs in memory; the first open is held until the test lets it go.
class HeldSongFiles final : public SongFileOpener {
public:
    std::map<std::string, std::string> songs;
    std::latch entered{1}, release{1};
    std::vector<std::string> opened;

    std::unique_ptr<SongFile> open(const std::string& path) override {
        opened.push_back(path);
        if (opened.size() == 1) {
            entered.count_down();
            release.wait();
        }
        const auto found = songs.find(path);
        if (found == songs.end())
            return nullptr;
        return std::make_unique<Memory>(found->second);
    }

private:
    struct Memory final : SongFile {
        explicit Memory(std::string_view bytes) : bytes(bytes) {}
        std::size_t readAt(std::uint64_t offset, char* buffer, std::size_t size) override {
            const auto part = bytes.substr(std::min<std::size_t>(offset, bytes.size()), size);
            part.copy(buffer, part.size());
            return part.size();
        }
        std::string_view bytes;
    };
};

TEST(SongTagCache, AFifoNamedLikeASongNeverBlocksAndHasNoTooltip) {
    char folderTemplate[] = "/tmp/ostrane-tags.XXXXXX";
    const std::filesystem::path folder = mkdtemp(folderTemplate);
    ASSERT_EQ(mkfifo((folder / "pipe.spc").c_str(), 0600), 0);
    std::ofstream(folder / "song.spc", std::ios::binary) << taggedSong("Title");
    platform::PosixSongFiles files;
    Deliveries deliveries;
    {
        SongTagCache cache(files, deliveries.sink());
        cache.setFolder(folder.string());
        cache.request("pipe.spc");
        deliveries.waitFor(1);
        cache.request("song.spc");
        deliveries.waitFor(2);
        EXPECT_EQ(cache.tooltip("pipe.spc"), "");
        EXPECT_EQ(cache.tooltip("song.spc"), "Title");
        EXPECT_EQ(cache.tooltip("absent.spc"), std::nullopt);
    }
    std::filesystem::remove_all(folder);
}

TEST(SongTagCache, AFolderChangeDropsTheOldFoldersLateResult) {
    HeldSongFiles files;
    files.songs = {{"/a/old.spc", taggedSong("Old")}, {"/b/new.spc", taggedSong("New")}};
    Deliveries deliveries;
    SongTagCache cache(files, deliveries.sink());
    cache.setFolder("/a");
    cache.request("old.spc");
    files.entered.wait();
    cache.setFolder("/b");
    const std::uint64_t current = cache.generation();
    cache.request("new.spc");
    files.release.count_down();
    const auto delivered = deliveries.waitFor(1);
    EXPECT_EQ(delivered, (std::vector<Deliveries::Delivery>{{current, "new.spc", "New"}}));
    EXPECT_EQ(cache.tooltip("old.spc"), std::nullopt);
}

TEST(SongTagCache, OnlyTheNewestWaitingRequestIsRead) {
    HeldSongFiles files;
    Deliveries deliveries;
    SongTagCache cache(files, deliveries.sink());
    cache.setFolder("/m");
    cache.request("1.spc");
    files.entered.wait();
    for (const char* name : {"2.spc", "3.spc", "4.spc", "1.spc"})
        cache.request(name);
    files.release.count_down();
    deliveries.waitFor(2);
    cache.request("1.spc"); // known by now: not read again
    cache.request("5.spc");
    deliveries.waitFor(3);
    EXPECT_EQ(files.opened, (std::vector<std::string>{"/m/1.spc", "/m/4.spc", "/m/5.spc"}));
}

} // namespace
} // namespace ostrane::core
