#include "core/songlisting.h"

namespace ostrane::core {

std::optional<NameList> listSongs(FolderReader& reader, const std::string& folder,
                                  const FilePattern& pattern) {
    return SongLister().list(reader, folder, pattern);
}

std::optional<NameList> SongLister::list(FolderReader& reader, const std::string& folder,
                                         const FilePattern& pattern) {
    NameList names = std::move(spare_);
    names.clear();
    const bool read = reader.read(folder, [&](const FolderEntry& entry) {
        const std::string_view name = entry.name();
        if (!name.starts_with('.') && pattern.matches(name) && entry.isFile())
            names.append(name);
    });
    if (!read) {
        spare_ = std::move(names);
        return std::nullopt;
    }
    sort_.sort(names);
    return names;
}

void SongLister::recycle(NameList list) {
    spare_ = std::move(list);
}

} // namespace ostrane::core
