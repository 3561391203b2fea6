// Feeds arbitrary bytes to the song tag reader: the first bytes as a song's header, the rest
// as its extended chunk. Checks that reading them from a file gives what parsing gives and
// that the tooltip is UTF-8 of at most four lines.

#include "core/songtags.h"
#include "core/utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace ostrane::core;

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

// The header at the start of the file, the extended chunk at its place, nothing between.
class SparseSong final : public SongFile {
public:
    SparseSong(std::string_view header, std::string_view extended)
        : header_(header), extended_(extended) {}

    std::size_t readAt(std::uint64_t offset, char* buffer, std::size_t size) override {
        const std::string_view part =
            offset < SongHeaderBytes ? header_.substr(offset, size)
            : offset >= ExtendedTagsOffset && offset - ExtendedTagsOffset <= extended_.size()
                ? extended_.substr(offset - ExtendedTagsOffset, size)
                : std::string_view();
        part.copy(buffer, part.size());
        return part.size();
    }

private:
    std::string_view header_, extended_;
};

bool isUtf8(std::string_view text) {
    while (!text.empty()) {
        const auto decoded = decodeUtf8(text);
        if (!decoded)
            return false;
        text.remove_prefix(decoded->second);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view header = input.substr(0, SongHeaderBytes);
    const std::string_view extended = input.substr(header.size());
    const auto parsed = parseSongTags(header, extended);
    SparseSong file(header, extended);
    if (extended.size() <= 8 + ExtendedTagsMaxBytes)
        check(readSongTags(file) == parsed);
    if (parsed) {
        const std::string tooltip = songTooltip(*parsed);
        check(isUtf8(tooltip));
        check(std::count(tooltip.begin(), tooltip.end(), '\n') <= 3);
    }
    return 0;
}
