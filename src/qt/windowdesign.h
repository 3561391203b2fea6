#pragma once

// Turns the values of a window description (twips, font faces) into Qt's.

#include "core/twips.h"
#include "core/windowdescription.h"

#include <QFont>
#include <QPalette>

class QWidget;

namespace ostrane::app {

// Twips per pixel of the primary screen: 15 at 96 dots per inch.
TwipScale primaryScreenScale();

// A face at a size in points and a weight; never italic, underlined or struck out.
QFont fontOf(const char* face, qreal points, QFont::Weight weight = QFont::Normal);
// A description's font; the window's font where it has none of its own.
QFont fontOf(const Font& font, const QFont& windowFont);

// The colours every window and control starts from, whatever the desktop's: every role of
// every colour group is set, so nothing of the desktop's palette shows through.
const QPalette& fixedPalette();
// A description's colour; `toolkitDefault` where it names none. The system colours are the
// fixed palette's: white fields, black text, light grey button faces.
QColor colourOf(const Colour& colour, const QColor& toolkitDefault);

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
