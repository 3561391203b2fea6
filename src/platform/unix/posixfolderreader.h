#pragma once

#include "core/folderreader.h"

namespace ostrane::platform {

// Reads a folder with getdents64, a batch of entries at a time; an entry's type comes from
// the folder itself, and only links and file systems that do not tell cost a stat.
class PosixFolderReader final : public core::FolderReader {
public:
    bool read(const std::string& folder,
              const std::function<void(const core::FolderEntry&)>& visit) override;
};

} // namespace ostrane::platform
