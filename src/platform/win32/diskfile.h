#pragma once

#include "core/songtags.h"

namespace ostrane::platform::win32 {

// Opens song files on a disk for reading at any offset, shared with every other use of the
// file. Anything else with a name (a pipe, a console, a device) is refused, so a read never
// waits on a writer that may never come.
class DiskFileOpener final : public core::SongFileOpener {
public:
    std::unique_ptr<core::SongFile> open(const std::string& path) override;
};

} // namespace ostrane::platform::win32
