#pragma once

#include "core/songtags.h"

namespace ostrane::platform {

// Opens song files with open and reads them with pread. A FIFO, device or folder named like a
// song is refused, and the open itself never waits for a writer.
class PosixSongFiles final : public core::SongFileOpener {
public:
    std::unique_ptr<core::SongFile> open(const std::string& path) override;
};

} // namespace ostrane::platform
