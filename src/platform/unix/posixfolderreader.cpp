#include "platform/unix/posixfolderreader.h"

#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace ostrane::platform {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

class DirentEntry final : public core::FolderEntry {
public:
    DirentEntry(int folder, const dirent& entry) : folder_(folder), entry_(entry) {}

    std::string_view name() const override { return entry_.d_name; }

    bool isFile() const override {
        switch (entry_.d_type) {
        case DT_REG:
            return true;
        case DT_LNK:
        case DT_UNKNOWN: {
            struct stat target {};
            // Follows links: a link to a file counts as the file, a broken link as nothing.
            return fstatat(folder_, entry_.d_name, &target, 0) == 0 && S_ISREG(target.st_mode);
        }
        default:
            return false;
        }
    }

private:
    int folder_;
    const dirent& entry_;
};

} // namespace

bool PosixFolderReader::read(const std::string& folder,
                             const std::function<void(const core::FolderEntry&)>& visit) {
    const std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir)
        return false;
    const int fd = dirfd(dir.get());
    while (const dirent* entry = readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        visit(DirentEntry(fd, *entry));
    }
    return true;
}

} // namespace ostrane::platform
