#pragma once

// Turns the values of a window description (twips, font faces) into Qt's.

#include "core/twips.h"

#include <QFont>

class QWidget;

namespace ostrane::app {

// Twips per pixel of the primary screen: 15 at 96 dots per inch.
TwipScale primaryScreenScale();

// A face at a size in points and a weight; never italic, underlined or struck out.
QFont fontOf(const char* face, qreal points, QFont::Weight weight = QFont::Normal);

// A window's outer size is its client size until the window manager has framed it. Once
// armed, `framedNow` is true at the first check that finds the frame there, and never again,
// so a window centred before it was shown can be centred once more with its true size.
class FrameArrival {
public:
    void arm() { armed_ = true; }
    bool framedNow(const QWidget& window);

private:
    bool armed_ = false;
};

} // namespace ostrane::app
