#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ostrane::core {

// What a song file says about itself. Text is UTF-8; an empty text was not given.
struct SongTags {
    std::string title, game, artist, dumper, comments;
    // Play time before the fade, and the fade; absent when the file gives none or zero.
    std::optional<std::uint32_t> lengthSeconds, fadeMilliseconds;

    bool operator==(const SongTags&) const = default;
};

// The bytes of a song file before its sound data, and the most of its extended tag chunk
// that is ever read.
inline constexpr std::size_t SongHeaderBytes = 0x100;
inline constexpr std::uint64_t ExtendedTagsOffset = 0x10200;
inline constexpr std::size_t ExtendedTagsMaxBytes = 0x4000;

// The tags of a song from its first SongHeaderBytes bytes and the bytes from
// ExtendedTagsOffset on (empty when the file ends before). Nothing when the header is short or
// its signature wrong; a song without tags gives empty SongTags. Any bytes are safe: every
// size is checked, and the extended chunk's walk stops at the first sub-chunk that does not fit.
std::optional<SongTags> parseSongTags(std::string_view header, std::string_view extended);

// A song file opened for reading at any offset.
class SongFile {
public:
    virtual ~SongFile() = default;
    // Reads up to `size` bytes at `offset` into `buffer`; fewer at the end of the file, none
    // on an error.
    virtual std::size_t readAt(std::uint64_t offset, char* buffer, std::size_t size) = 0;
};

// Opens song files: the platform's side of reading tags.
class SongFileOpener {
public:
    virtual ~SongFileOpener() = default;
    // Nothing when `path` cannot be opened or is not a regular file; whatever is returned
    // answers every read without waiting for another process.
    virtual std::unique_ptr<SongFile> open(const std::string& path) = 0;
};

// The header, and the extended chunk only when the file has one.
std::optional<SongTags> readSongTags(SongFile& file);

// Title, game, artist and the length as m:ss, one per line, each only when present; "" when
// there is none of them.
std::string songTooltip(const SongTags& tags);

} // namespace ostrane::core
