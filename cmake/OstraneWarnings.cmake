# Warnings are on everywhere, but errors only where the project builds itself for its tests
# (make test, CI): a packager's or a newer compiler's new warning must not break a build.
option(OSTRANE_WERROR "Treat compiler warnings as errors" OFF)
add_compile_options(-Wall -Wextra)
if(OSTRANE_WERROR)
    set(CMAKE_COMPILE_WARNING_AS_ERROR ON)
endif()
