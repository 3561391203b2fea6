#include "platform/win32/diskfile.h"

#include "platform/win32/widetext.h"
#include "platform/win32/win32api.h"

#include <algorithm>

namespace ostrane::platform::win32 {

namespace {

class DiskFile final : public core::SongFile {
public:
    explicit DiskFile(HANDLE handle) : handle_(handle) {}
    ~DiskFile() override { ::CloseHandle(handle_); }
    DiskFile(const DiskFile&) = delete;
    DiskFile& operator=(const DiskFile&) = delete;

    std::size_t readAt(std::uint64_t offset, char* buffer, std::size_t size) override {
        std::size_t total = 0;
        while (total < size) {
            const std::uint64_t at = offset + total;
            OVERLAPPED position{};
            position.Offset = static_cast<DWORD>(at);
            position.OffsetHigh = static_cast<DWORD>(at >> 32);
            const auto wanted = static_cast<DWORD>(std::min<std::size_t>(size - total, 1u << 30));
            DWORD got = 0;
            // At the end of the file the read fails with ERROR_HANDLE_EOF: what was read stands.
            if (!::ReadFile(handle_, buffer + total, wanted, &got, &position) || got == 0)
                break;
            total += got;
        }
        return total;
    }

private:
    HANDLE handle_;
};

} // namespace

std::unique_ptr<core::SongFile> DiskFileOpener::open(const std::string& path) {
    const std::optional<std::wstring> wide = wideFromUtf8(path);
    if (!wide || wide->empty())
        return nullptr;
    // Shared for everything: reading a song's tags must never keep another program from
    // writing, renaming or deleting it, nor fail while one has it open.
    const HANDLE handle = ::CreateFileW(wide->c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        return nullptr;
    }
    return std::make_unique<DiskFile>(handle);
}

} // namespace ostrane::platform::win32
