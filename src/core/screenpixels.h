#pragma once

#include <array>

namespace ostrane::core {

// A rectangle of whole pixels; right and bottom lie just outside it.
struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const PixelRect&) const = default;
};

// One ring of a 3D edge, drawn in this order, each band over the ones before it where they
// meet: the top and left in one colour, the bottom and right in the other.
struct EdgeRing {
    PixelRect top, left, bottom, right;
    bool operator==(const EdgeRing&) const = default;
};

// Where the Linux program's painter puts an edge lying `pixelsAt96` from the window's origin
// on a screen of `scale` times 96 dots per inch: the nearest pixel, a half rounded up.
int screenEdge(int pixelsAt96, double scale);

// A text box's sunken edge around `boxAt96` (in the window, at 96 dots per inch): two rings
// one pixel wide at 96, each band's edges placed by screenEdge, so at a fractional scale a
// band is one or two pixels wide by where it falls. In the screen's pixels, from the box's
// own top left corner there.
std::array<EdgeRing, 2> sunkenEdgeRings(PixelRect boxAt96, double scaleX, double scaleY);

// A command button's bevel in `button` (the screen's pixels): two rings of `line` pixels,
// the light bands stopping a line short of the far corners, which the dark bands fill.
std::array<EdgeRing, 2> bevelRings(PixelRect button, int line);

// Where a picture `size` pixels long starts, centred between `begin` and `end` as the Linux
// program centres a button's picture: on the middle pixel, both halves rounded down, so an
// even gap leaves the picture a pixel nearer the start.
int centredStart(int begin, int end, int size);

} // namespace ostrane::core
