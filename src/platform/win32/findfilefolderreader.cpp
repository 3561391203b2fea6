#include "platform/win32/findfilefolderreader.h"

#include "platform/win32/widetext.h"
#include "platform/win32/win32api.h"

#include <memory>

namespace ostrane::platform::win32 {

namespace {

constexpr DWORD notAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

struct FindCloser {
    using pointer = HANDLE;
    void operator()(HANDLE search) const { ::FindClose(search); }
};

class FoundEntry final : public core::FolderEntry {
public:
    FoundEntry(const std::wstring& folder, const WIN32_FIND_DATAW& found)
        : folder_(folder), found_(found), name_(utf8FromWide(found.cFileName)) {}

    std::string_view name() const override { return name_; }

    bool isFile() const override {
        if ((found_.dwFileAttributes & notAFile) != 0)
            return false;
        if ((found_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
            return true;
        // A link's own attributes say nothing of its target: ask for the target's, which
        // fails for a broken link.
        const HANDLE target =
            ::CreateFileW((folder_ + found_.cFileName).c_str(), 0,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (target == INVALID_HANDLE_VALUE)
            return false;
        BY_HANDLE_FILE_INFORMATION information{};
        const bool file = ::GetFileInformationByHandle(target, &information) != FALSE &&
                          (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        ::CloseHandle(target);
        return file;
    }

private:
    const std::wstring& folder_;
    const WIN32_FIND_DATAW& found_;
    std::string name_;
};

} // namespace

bool FindFileFolderReader::read(const std::string& folder,
                                const std::function<void(const core::FolderEntry&)>& visit) {
    std::optional<std::wstring> wide = wideFromUtf8(folder);
    if (!wide || wide->empty())
        return false;
    // Wildcards in the folder's own name would widen the search beyond it.
    if (wide->find_first_of(L"*?") != std::wstring::npos)
        return false;
    if (wide->back() != L'\\' && wide->back() != L'/')
        wide->push_back(L'\\');
    WIN32_FIND_DATAW found{};
    std::unique_ptr<HANDLE, FindCloser> search(::FindFirstFileExW(
        (*wide + L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
    if (search.get() == INVALID_HANDLE_VALUE) {
        search.release();
        // An empty folder still holds "." and ".."; only a drive's root can be truly empty.
        return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        visit(FoundEntry(*wide, found));
    } while (::FindNextFileW(search.get(), &found) != FALSE);
    return ::GetLastError() == ERROR_NO_MORE_FILES;
}

} // namespace ostrane::platform::win32
