#pragma once

#include "core/folderreader.h"

namespace ostrane::platform::win32 {

// Reads a folder with FindFirstFileW: names arrive as UTF-16 and are handed on as UTF-8. An
// entry is a file when it is neither a folder nor hidden or a system file, as Windows' own
// file lists show them; a link counts when it leads to such a file.
class FindFileFolderReader final : public core::FolderReader {
public:
    bool read(const std::string& folder,
              const std::function<void(const core::FolderEntry&)>& visit) override;
};

} // namespace ostrane::platform::win32
