#include "core/screenpixels.h"

#include <cmath>

namespace ostrane::core {

namespace {

PixelRect inset(PixelRect r, int by) {
    return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}

// The ring of bands `line` wide just inside `r`.
EdgeRing ring(PixelRect r, int line) {
    return {.top = {r.left, r.top, r.right - line, r.top + line},
            .left = {r.left, r.top, r.left + line, r.bottom - line},
            .bottom = {r.left, r.bottom - line, r.right, r.bottom},
            .right = {r.right - line, r.top, r.right, r.bottom}};
}

} // namespace

int screenEdge(int pixelsAt96, double scale) {
    return static_cast<int>(std::floor(pixelsAt96 * scale + 0.5));
}

std::array<EdgeRing, 2> sunkenEdgeRings(PixelRect boxAt96, double scaleX, double scaleY) {
    const int originX = screenEdge(boxAt96.left, scaleX);
    const int originY = screenEdge(boxAt96.top, scaleY);
    auto onScreen = [&](PixelRect r) {
        return PixelRect{screenEdge(r.left, scaleX) - originX, screenEdge(r.top, scaleY) - originY,
                         screenEdge(r.right, scaleX) - originX,
                         screenEdge(r.bottom, scaleY) - originY};
    };
    auto scaled = [&](EdgeRing r) {
        return EdgeRing{onScreen(r.top), onScreen(r.left), onScreen(r.bottom), onScreen(r.right)};
    };
    return {scaled(ring(boxAt96, 1)), scaled(ring(inset(boxAt96, 1), 1))};
}

std::array<EdgeRing, 2> bevelRings(PixelRect button, int line) {
    return {ring(button, line), ring(inset(button, line), line)};
}

int centredStart(int begin, int end, int size) {
    return (begin + end - 1) / 2 - size / 2;
}

} // namespace ostrane::core
