#pragma once

// The Windows headers this layer uses. windows.h must come first: the others rely on its
// types without including it.
// clang-format off
#include <windows.h>
#include <ddeml.h>
#include <shellapi.h>
#include <shlobj.h>
// clang-format on
