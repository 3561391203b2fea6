#pragma once

#include "core/songpath.h"
#include "core/songtags.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>

namespace ostrane::core {

// The tooltips of one folder's songs, read on demand on one thread of the cache's own, so
// that a window never waits for a file. Every call but the delivery comes from one thread,
// the window's.
class SongTagCache {
public:
    // Called on the cache's thread with each tooltip read ("" for a song without tags) while
    // the folder of `generation` was listed; the front end passes it to its window's thread
    // and drops it there unless `generation` is still generation().
    using Delivery = std::function<void(std::uint64_t generation, const std::string& name,
                                        const std::string& tooltip)>;

    SongTagCache(SongFileOpener& files, Delivery deliver, char separator = PathSeparator);
    // Waits for the read under way, which a SongFileOpener keeps from blocking.
    ~SongTagCache();
    SongTagCache(const SongTagCache&) = delete;
    SongTagCache& operator=(const SongTagCache&) = delete;

    // Forgets every tooltip and every read not yet delivered, for the songs of `folder`.
    void setFolder(std::string folder);
    std::uint64_t generation() const;

    // The song's tooltip once it has been read.
    std::optional<std::string> tooltip(const std::string& name) const;
    // Reads the song's tags unless they are known or being read. Only the newest request
    // waits: a pointer passing over fifty rows costs the row it stops on, not fifty reads.
    void request(const std::string& name);

private:
    void readRequests();

    SongFileOpener& files_;
    const Delivery deliver_;
    const char separator_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::string folder_;
    std::uint64_t generation_ = 0;
    std::unordered_map<std::string, std::string> tooltips_;
    std::optional<std::string> waiting_;
    std::optional<std::string> reading_;
    bool stopping_ = false;
    // Started by the first request, so that a window that never shows a tooltip costs none.
    std::thread worker_;
};

} // namespace ostrane::core
