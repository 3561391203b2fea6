#include "core/shades.h"

#include <algorithm>
#include <cmath>

namespace ostrane::core {

namespace {

constexpr Colour Black = Colour::rgb(0, 0, 0);

std::uint8_t channel(double part) {
    return static_cast<std::uint8_t>(std::clamp(static_cast<int>(std::lround(part)), 0, 255));
}

} // namespace

Colour shaded(Colour colour, int percent) {
    const int r = colour.red, g = colour.green, b = colour.blue;
    const int max = std::max({r, g, b}), min = std::min({r, g, b});
    if (max == 0)
        return Colour::rgb(0, 0, 0);
    double hue = 0;
    if (max != min) {
        const double delta = max - min;
        if (max == r)
            hue = (g - b) / delta;
        else if (max == g)
            hue = 2 + (b - r) / delta;
        else
            hue = 4 + (r - g) / delta;
        if (hue < 0)
            hue += 6;
    }
    double saturation = 255.0 * (max - min) / max;
    double value = max * percent / 100.0;
    if (value > 255) {
        saturation = std::max(0.0, saturation - (value - 255));
        value = 255;
    }
    const double chroma = value * saturation / 255.0;
    const double x = chroma * (1 - std::abs(std::fmod(hue, 2.0) - 1));
    double rr = 0, gg = 0, bb = 0;
    switch (static_cast<int>(hue) % 6) {
    case 0:
        rr = chroma, gg = x;
        break;
    case 1:
        rr = x, gg = chroma;
        break;
    case 2:
        gg = chroma, bb = x;
        break;
    case 3:
        gg = x, bb = chroma;
        break;
    case 4:
        rr = x, bb = chroma;
        break;
    default:
        rr = chroma, bb = x;
        break;
    }
    const double m = value - chroma;
    return Colour::rgb(channel(rr + m), channel(gg + m), channel(bb + m));
}

Bevel buttonBevel(Colour face, bool pressed) {
    if (pressed)
        return {Black, shaded(face, 67), face, shaded(face, 150)};
    return {shaded(face, 150), shaded(face, 125), shaded(face, 67), Black};
}

Etching etchedCaption(Colour face) {
    return {shaded(face, 160), shaded(face, 62)};
}

} // namespace ostrane::core
