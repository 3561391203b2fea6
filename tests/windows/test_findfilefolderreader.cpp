// Reading a folder through FindFirstFileExW, and the song listing over it, in a real Wine
// file system; song files opened for the tag reader.

#include "core/filepattern.h"
#include "core/songlisting.h"
#include "platform/win32/diskfile.h"
#include "platform/win32/findfilefolderreader.h"
#include "platform/win32/widetext.h"
#include "platform/win32/win32api.h"
#include "wintest.h"

#include <string>
#include <vector>

using namespace ostrane;
using platform::win32::FindFileFolderReader;
using platform::win32::utf8FromWide;

namespace {

// A fresh folder under the temporary folder, removed with what it holds.
class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t temporary[MAX_PATH + 1] = {};
        ::GetTempPathW(MAX_PATH + 1, temporary);
        path_ =
            std::wstring(temporary) + L"ostrane-reader-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder() {
        for (const auto& name : made_) {
            const std::wstring full = path_ + L"\\" + name;
            ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!::DeleteFileW(full.c_str()))
                ::RemoveDirectoryW(full.c_str());
        }
        ::RemoveDirectoryW(path_.c_str());
    }
    void file(const std::wstring& name, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
        const HANDLE created = ::CreateFileW((path_ + L"\\" + name).c_str(), GENERIC_WRITE, 0,
                                             nullptr, CREATE_NEW, attributes, nullptr);
        if (created != INVALID_HANDLE_VALUE)
            ::CloseHandle(created);
        made_.insert(made_.begin(), name);
    }
    void folder(const std::wstring& name) {
        ::CreateDirectoryW((path_ + L"\\" + name).c_str(), nullptr);
        made_.push_back(name);
    }
    std::string utf8() const { return utf8FromWide(path_); }
    std::wstring path() const { return path_; }

private:
    std::wstring path_;
    std::vector<std::wstring> made_;
};

const core::FilePattern songs("*.spc;*.sp1;*.sp2;*.sp3;*.sp4;*.sp5;*.sp6;*.sp7;*.sp8;*.sp9");

} // namespace

WIN_TEST(songsAreListedByTheirUtf16NamesInNaturalOrder) {
    ScratchFolder scratch;
    scratch.file(L"track 10.spc");
    scratch.file(L"track 2.SP1");
    scratch.file(L"\x041c\x0435\x043b\x043e\x0434\x0438\x044f \x00fc.spc");
    scratch.file(L"notes.txt");
    scratch.file(L"hidden.spc", FILE_ATTRIBUTE_HIDDEN);
    scratch.file(L"system.spc", FILE_ATTRIBUTE_SYSTEM);
    scratch.folder(L"folder.spc");
    FindFileFolderReader reader;
    const auto names = core::listSongs(reader, scratch.utf8(), songs);
    WIN_REQUIRE(names.has_value());
    const std::vector<std::string> expected = {"track 2.SP1", "track 10.spc",
                                               "\xd0\x9c\xd0\xb5\xd0\xbb\xd0\xbe\xd0\xb4\xd0\xb8"
                                               "\xd1\x8f \xc3\xbc.spc"};
    WIN_CHECK(std::vector<std::string>(names->begin(), names->end()) == expected);
}

WIN_TEST(aTrailingSeparatorAndAnEmptyFolderAreRead) {
    ScratchFolder scratch;
    FindFileFolderReader reader;
    const auto empty = core::listSongs(reader, scratch.utf8() + "\\", songs);
    WIN_REQUIRE(empty.has_value());
    WIN_CHECK(empty->empty());
}

WIN_TEST(aFolderThatCannotBeReadFails) {
    FindFileFolderReader reader;
    WIN_CHECK(!core::listSongs(reader, "C:\\no such folder\\anywhere", songs).has_value());
    WIN_CHECK(!core::listSongs(reader, "", songs).has_value());
    // Wildcards would widen the search beyond the folder.
    WIN_CHECK(!core::listSongs(reader, "C:\\windows\\*", songs).has_value());
    // Bytes that are not UTF-8 name no folder.
    WIN_CHECK(!core::listSongs(reader, "C:\\\xff", songs).has_value());
}

WIN_TEST(songFilesAreReadAtAnyOffsetAndOnlyFromADisk) {
    ScratchFolder scratch;
    scratch.file(L"song.spc");
    scratch.folder(L"folder.spc");
    const std::string bytes(300, 'x');
    const HANDLE writer = ::CreateFileW((scratch.path() + L"\\song.spc").c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(writer, bytes.data(), 300, &written, nullptr);
    // Still open for writing by another: the song is read all the same.
    platform::win32::DiskFileOpener opener;
    const auto song = opener.open(scratch.utf8() + "\\song.spc");
    ::CloseHandle(writer);
    WIN_REQUIRE(song != nullptr);
    char buffer[100];
    WIN_CHECK(song->readAt(0, buffer, 100) == 100);
    WIN_CHECK(song->readAt(250, buffer, 100) == 50);
    WIN_CHECK(song->readAt(1000, buffer, 100) == 0);

    // A pipe, a device, a folder, nothing, and bytes that are not UTF-8 give no file.
    const std::wstring pipeName =
        L"\\\\.\\pipe\\ostrane-" + std::to_wstring(::GetCurrentProcessId());
    const HANDLE pipe =
        ::CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_OUTBOUND, 0, 1, 0, 0, 0, nullptr);
    WIN_CHECK(opener.open(utf8FromWide(pipeName)) == nullptr);
    ::CloseHandle(pipe);
    WIN_CHECK(opener.open("NUL") == nullptr);
    WIN_CHECK(opener.open(scratch.utf8() + "\\folder.spc") == nullptr);
    WIN_CHECK(opener.open(scratch.utf8() + "\\missing.spc") == nullptr);
    WIN_CHECK(opener.open("C:\\\xff.spc") == nullptr);
}
