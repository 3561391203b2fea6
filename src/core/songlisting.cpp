#include "core/songlisting.h"

#include "core/naturalorder.h"

namespace ostrane::core {

std::optional<std::vector<std::string>> listSongs(FolderReader& reader, const std::string& folder,
                                                  const FilePattern& pattern) {
    std::vector<std::string> names;
    const bool read = reader.read(folder, [&](const FolderEntry& entry) {
        const std::string_view name = entry.name();
        if (!name.starts_with('.') && pattern.matches(name) && entry.isFile())
            names.emplace_back(name);
    });
    if (!read)
        return std::nullopt;
    sortNaturally(names);
    return names;
}

} // namespace ostrane::core
