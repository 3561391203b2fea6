// The version record and icon that the executable carries, read back as Windows reads them.

#include "ostrane_version.h"
#include "platform/win32/widetext.h"
#include "platform/win32/win32api.h"
#include "wintest.h"

#include <string>
#include <vector>

using ostrane::platform::win32::utf8FromWide;

namespace {

std::vector<char> ownVersionRecord() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
    std::vector<char> record(size);
    if (size == 0 || !::GetFileVersionInfoW(path, 0, size, record.data()))
        record.clear();
    return record;
}

std::string stringValue(std::vector<char>& record, const wchar_t* name) {
    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation",
                          reinterpret_cast<void**>(&translation), &length) ||
        length < sizeof(Translation))
        return "(no translation)";
    wchar_t query[96];
    ::wsprintfW(query, L"\\StringFileInfo\\%04x%04x\\%s", translation->language,
                translation->codePage, name);
    wchar_t* value = nullptr;
    if (!::VerQueryValueW(record.data(), query, reinterpret_cast<void**>(&value), &length))
        return "(missing)";
    return utf8FromWide(value);
}

} // namespace

WIN_TEST(theVersionRecordNamesTheProgram) {
    auto record = ownVersionRecord();
    WIN_REQUIRE(!record.empty());
    // The project's one version, written as the program shows it ("1.06").
    WIN_CHECK_EQ(stringValue(record, L"FileVersion"), std::string(OSTRANE_VERSION_TEXT));
    WIN_CHECK_EQ(stringValue(record, L"ProductVersion"), std::string(OSTRANE_VERSION_TEXT));
    WIN_CHECK_EQ(stringValue(record, L"FileDescription"), std::string("SPC Ostrane"));
    WIN_CHECK_EQ(stringValue(record, L"ProductName"), std::string("SPC Player."));
    WIN_CHECK_EQ(stringValue(record, L"Comments"), std::string("An Application to play SPC's."));
    WIN_CHECK_EQ(stringValue(record, L"InternalName"), std::string("Corvissa"));
    WIN_CHECK_EQ(stringValue(record, L"OriginalFilename"), std::string("Corvissa.exe"));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    WIN_REQUIRE(::VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    WIN_CHECK(fixed->dwFileVersionMS == MAKELONG(OSTRANE_VERSION_MINOR, OSTRANE_VERSION_MAJOR));
    WIN_CHECK(fixed->dwProductVersionMS == MAKELONG(OSTRANE_VERSION_MINOR, OSTRANE_VERSION_MAJOR));
}

WIN_TEST(theProgramIconIs32By32) {
    const HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    WIN_REQUIRE(icon != nullptr);
    ICONINFO info{};
    WIN_REQUIRE(::GetIconInfo(icon, &info));
    BITMAP colour{};
    ::GetObjectW(info.hbmColor, sizeof colour, &colour);
    WIN_CHECK(colour.bmWidth == 32);
    WIN_CHECK(colour.bmHeight == 32);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
}
