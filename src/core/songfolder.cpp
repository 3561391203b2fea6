#include "core/songfolder.h"

#include "core/songpath.h"

namespace ostrane::core {

std::string SongFolder::songPath(std::string_view listed, std::string_view fileName) const {
    return core::songPath(listed, label_, fileName);
}

} // namespace ostrane::core
