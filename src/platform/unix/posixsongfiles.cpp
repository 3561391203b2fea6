#include "platform/unix/posixsongfiles.h"

#include "platform/unix/descriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrane::platform {

namespace {

class PosixSongFile final : public core::SongFile {
public:
    explicit PosixSongFile(int fd) : fd_(fd) {}

    std::size_t readAt(std::uint64_t offset, char* buffer, std::size_t size) override {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t got =
                ::pread(fd_.get(), buffer + done, size - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return 0;
            if (got == 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

private:
    Descriptor fd_;
};

} // namespace

std::unique_ptr<core::SongFile> PosixSongFiles::open(const std::string& path) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return nullptr;
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return nullptr;
    return std::make_unique<PosixSongFile>(fd.release());
}

} // namespace ostrane::platform
