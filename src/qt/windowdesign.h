#pragma once

// Turns the values of a window description (twips, font faces) into Qt's.

#include "core/twips.h"
#include "core/windowdescription.h"

#include <QFont>
#include <QPalette>
#include <QPixmap>

class QPainter;
class QRect;
class QWidget;

namespace ostrane::qt {

// Twips per pixel of the primary screen: 15 at 96 dots per inch.
core::TwipScale primaryScreenScale();

// A description's font: a face at a size in points and a weight, never italic, underlined or
// struck out; the window's font where it has none of its own.
QFont fontOf(const core::Font& font, const QFont& windowFont);

// The colours every window and control starts from, whatever the desktop's: every role of
// every colour group is set, so nothing of the desktop's palette shows through.
const QPalette& fixedPalette();
// A description's colour; `toolkitDefault` where it names none. The system colours are the
// fixed palette's: white fields, black text, light grey button faces.
QColor colourOf(const core::Colour& colour, const QColor& toolkitDefault);

// The picture at `path` (":/pictures/banner.jpg"), or on a screen of more than one device
// pixel per pixel its double-size twin ("banner@2x.png") where there is one: it has the same
// size in pixels of the window, and is drawn sharp at twice the scale.
QPixmap pictureForScreen(const QString& path);

// Sets `painter` to draw in whole pixels of its device, whatever the screen's scale (1.25,
// 1.5, 2), and gives `logical` in those pixels with each edge rounded to a pixel boundary.
// Neighbouring controls drawn this way meet without gaps or overlaps.
QRect inDevicePixels(QPainter& painter, const QRect& logical);

// A line of one logical pixel, in whole device pixels: 1 up to a scale of 1.49, then 2.
int devicePixelsPerLine(const QWidget& widget);

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

} // namespace ostrane::qt
