#pragma once

// The Windows headers the front end uses. windows.h must come first: the others rely on its
// types without including it.
// clang-format off
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>
#include <ole2.h>
#include <olectl.h>
// clang-format on
