# The program's version and its release date, written once. Both projects (this one and the
# Qt-free windows/) include this file before project(); everything that shows the version is
# generated from it: the program, the Windows version record, the Debian package and its
# changelog, and the AppStream release.
set(OSTRANE_VERSION 1.06)
set(OSTRANE_RELEASE_DATE 2026-12-07)

# ostrane_version: an interface library whose users (C++ and resource scripts alike) can
# include "ostrane_version.h". Call after project().
function(ostrane_add_version_library)
    set(dir ${CMAKE_BINARY_DIR}/generated/version)
    # "06" would read as an octal number in C and in resource scripts.
    math(EXPR OSTRANE_VERSION_MAJOR "${PROJECT_VERSION_MAJOR} + 0")
    math(EXPR OSTRANE_VERSION_MINOR "${PROJECT_VERSION_MINOR} + 0")
    configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/ostrane_version.h.in
                   ${dir}/ostrane_version.h @ONLY)
    add_library(ostrane_version INTERFACE)
    target_include_directories(ostrane_version INTERFACE ${dir})
endfunction()
