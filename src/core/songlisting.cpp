#include "core/songlisting.h"

#include "core/naturalorder.h"

namespace ostrane::core {

std::optional<NameList> listSongs(FolderReader& reader, const std::string& folder,
                                  const FilePattern& pattern) {
    NameList names;
    const bool read = reader.read(folder, [&](const FolderEntry& entry) {
        const std::string_view name = entry.name();
        if (!name.starts_with('.') && pattern.matches(name) && entry.isFile())
            names.append(name);
    });
    if (!read)
        return std::nullopt;
    sortNaturally(names);
    return names;
}

} // namespace ostrane::core
