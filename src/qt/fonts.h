#pragma once

#include <QString>

namespace ostrane::qt {

// Makes the faces the windows name resolve to the nearest installed face of the same size
// and weight. Call once, after the application object exists and before any window.
void installFontSubstitutes();

// Adds the free Tahoma where it is installed, once. Only the second window names it, so
// reading its files waits for that window rather than holding up the start.
void addTahoma();

// The first of `face` and its substitutes that is installed, or `face` when none is. Named as
// installed, a face is matched at once; named as missing, Qt first asks fontconfig for every
// face like it (about a millisecond of the start in all).
QString installedFace(const QString& face);

} // namespace ostrane::qt
