#pragma once

#include "core/songtags.h"

#include <string>
#include <string_view>

namespace ostrane::testing {

// A song file's header: the signature, "tags follow", and what a test puts at its offsets.
struct SongHeader {
    std::string bytes = std::string(core::SongHeaderBytes, '\0');
    SongHeader() { put(0, "SNES-SPC700 Sound File Data v0.30\x1a\x1a\x1a\x1e"); }
    SongHeader& put(std::size_t offset, std::string_view text) {
        bytes.replace(offset, text.size(), text);
        return *this;
    }
    SongHeader& title(std::string_view text) { return put(0x2E, text); }
};

} // namespace ostrane::testing
