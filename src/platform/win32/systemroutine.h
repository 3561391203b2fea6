#pragma once

#include "platform/win32/win32api.h"

namespace ostrane::platform::win32 {

// A routine of a system library, found when first called for rather than when the program
// loads: the shell's, COM's and the common controls' libraries and all they bring cost the
// start tens of milliseconds, and most runs never need them before the first frame. Null
// when the library or the routine is missing. The library stays loaded.
template <typename Routine> Routine* systemRoutine(const wchar_t* library, const char* name) {
    const HMODULE module = ::LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr)
        return nullptr;
    // Through the routine type without parameters, the one any routine may be cast to.
    using Any = void (*)();
    return reinterpret_cast<Routine*>(reinterpret_cast<Any>(::GetProcAddress(module, name)));
}

} // namespace ostrane::platform::win32
