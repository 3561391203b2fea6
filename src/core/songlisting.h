#pragma once

#include "core/filepattern.h"
#include "core/folderreader.h"
#include "core/namelist.h"
#include "core/naturalorder.h"

#include <optional>
#include <string>

namespace ostrane::core {

// The names of the files in `folder` that `pattern` matches, in natural order: regular files
// and links to them, but not folders, broken links or hidden files. Nothing when the folder
// cannot be read.
std::optional<NameList> listSongs(FolderReader& reader, const std::string& folder,
                                  const FilePattern& pattern);

// listSongs for a list that is listed again and again: each listing fills the memory of a
// list handed back, and sorts in the memory of the sorts before, rather than in fresh pages.
class SongLister {
public:
    std::optional<NameList> list(FolderReader& reader, const std::string& folder,
                                 const FilePattern& pattern);
    // A list no longer needed, whose memory the next listing fills.
    void recycle(NameList list);

private:
    NameList spare_;
    NaturalSort sort_;
};

} // namespace ostrane::core
