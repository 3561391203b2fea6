// Feeds arbitrary bytes to the song tag reader, the first as a song's header and the rest as
// its extended chunk. Reading them from a file must give what parsing gives, and the tooltip
// must be UTF-8 of four lines at most.

#include "core/songtags.h"
#include "core/utf8.h"

#include <algorithm>
#include <cstdlib>

using namespace ostrane::core;

namespace {

// The header at the file's start, the extended chunk at its place, nothing between.
struct SparseSong final : SongFile {
    std::string_view header, extended;
    std::size_t readAt(std::uint64_t offset, char* buffer, std::size_t size) override {
        const std::string_view part =
            offset < SongHeaderBytes ? header.substr(offset, size)
            : offset >= ExtendedTagsOffset
                ? extended.substr(
                      std::min(offset - ExtendedTagsOffset, std::uint64_t{extended.size()}), size)
                : std::string_view();
        return part.copy(buffer, part.size());
    }
};

bool isUtf8(std::string_view text) {
    for (auto next = decodeUtf8(text); next; next = decodeUtf8(text))
        text.remove_prefix(next->second);
    return text.empty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    SparseSong file;
    file.header = input.substr(0, SongHeaderBytes);
    file.extended = input.substr(file.header.size());
    const auto parsed = parseSongTags(file.header, file.extended);
    // Beyond its limit the reader reads less of the chunk than parsing was given.
    if (file.extended.size() <= 8 + ExtendedTagsMaxBytes && readSongTags(file) != parsed)
        std::abort();
    if (!parsed)
        return 0;
    const std::string tooltip = songTooltip(*parsed);
    if (!isUtf8(tooltip) || std::count(tooltip.begin(), tooltip.end(), '\n') > 3)
        std::abort();
    return 0;
}
