#pragma once

// Turns the values of a window description (twips, font faces) into Qt's.

#include "app/twips.h"

#include <QFont>

namespace ostrane::app {

// Twips per pixel of the primary screen: 15 at 96 dots per inch.
TwipScale primaryScreenScale();

// A face at a size in points and a weight; never italic, underlined or struck out.
QFont fontOf(const char* face, qreal points, QFont::Weight weight = QFont::Normal);

} // namespace ostrane::app
