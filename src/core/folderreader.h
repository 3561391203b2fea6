#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace ostrane::core {

// One entry of a folder as the file system names it: bytes on Unix, UTF-8 made from UTF-16
// on Windows. Whether it is a file is asked only of the entries that need it, since finding
// out may cost a call to the file system.
class FolderEntry {
public:
    virtual std::string_view name() const = 0;
    // A regular file, or a link that leads to one.
    virtual bool isFile() const = 0;

protected:
    ~FolderEntry() = default;
};

// Reads a folder for the song listing: the platform's side of it. The Qt list reads its start
// folder on a thread of its own while later folders may be read on the window's thread, so
// a reader must allow two reads at once.
class FolderReader {
public:
    virtual ~FolderReader() = default;

    // Calls `visit` with each entry of `folder`, "." and ".." left out. False when the
    // folder cannot be read; entries already visited then do not count.
    virtual bool read(const std::string& folder,
                      const std::function<void(const FolderEntry&)>& visit) = 0;
};

} // namespace ostrane::core
