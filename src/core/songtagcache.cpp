#include "core/songtagcache.h"

namespace ostrane::core {

namespace {

std::string readTooltip(SongFileOpener& files, const std::string& path) {
    const auto file = files.open(path);
    if (!file)
        return {};
    const auto tags = readSongTags(*file);
    return tags ? songTooltip(*tags) : std::string();
}

} // namespace

SongTagCache::SongTagCache(SongFileOpener& files, Delivery deliver, char separator)
    : files_(files), deliver_(std::move(deliver)), separator_(separator) {}

SongTagCache::~SongTagCache() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (worker_.joinable())
        worker_.join();
}

void SongTagCache::setFolder(std::string folder) {
    const std::lock_guard lock(mutex_);
    folder_ = std::move(folder);
    ++generation_;
    tooltips_.clear();
    waiting_.reset();
    // A read under way is of the old folder: its result is dropped, not awaited.
    reading_.reset();
}

std::uint64_t SongTagCache::generation() const {
    const std::lock_guard lock(mutex_);
    return generation_;
}

std::optional<std::string> SongTagCache::tooltip(const std::string& name) const {
    const std::lock_guard lock(mutex_);
    const auto found = tooltips_.find(name);
    if (found == tooltips_.end())
        return std::nullopt;
    return found->second;
}

void SongTagCache::request(const std::string& name) {
    {
        const std::lock_guard lock(mutex_);
        if (tooltips_.contains(name) || reading_ == name)
            return;
        waiting_ = name;
    }
    if (!worker_.joinable())
        worker_ = std::thread([this] { readRequests(); });
    wake_.notify_one();
}

void SongTagCache::readRequests() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || waiting_; });
        if (stopping_)
            return;
        reading_ = std::move(waiting_);
        waiting_.reset();
        const std::string name = *reading_;
        const std::string path = songPath(folder_, folder_, name, separator_);
        const std::uint64_t generation = generation_;
        lock.unlock();
        const std::string tooltip = readTooltip(files_, path);
        lock.lock();
        reading_.reset();
        if (generation != generation_)
            continue;
        tooltips_.emplace(name, tooltip);
        lock.unlock();
        deliver_(generation, name, tooltip);
        lock.lock();
    }
}

} // namespace ostrane::core
