#pragma once

#include "core/filepattern.h"
#include "core/folderreader.h"

#include <optional>
#include <string>
#include <vector>

namespace ostrane::core {

// The names of the files in `folder` that `pattern` matches, in natural order: regular files
// and links to them, but not folders, broken links or hidden files. Nothing when the folder
// cannot be read.
std::optional<std::vector<std::string>> listSongs(FolderReader& reader, const std::string& folder,
                                                  const FilePattern& pattern);

} // namespace ostrane::core
