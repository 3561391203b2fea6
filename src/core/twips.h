#pragma once

#include <cmath>

namespace ostrane::core {

inline constexpr float TwipsPerInch = 1440.0f;

// Converts between the window description's twips and the screen's pixels
// (15 twips per pixel at 96 dots per inch).
class TwipScale {
public:
    TwipScale(float twipsPerPixelX, float twipsPerPixelY)
        : perPixelX_(twipsPerPixelX), perPixelY_(twipsPerPixelY) {}
    static TwipScale forDotsPerInch(float dpiX, float dpiY) {
        return {TwipsPerInch / dpiX, TwipsPerInch / dpiY};
    }

    float twipsPerPixelX() const { return perPixelX_; }
    float twipsPerPixelY() const { return perPixelY_; }

    int pixelsX(float twips) const { return static_cast<int>(std::lround(twips / perPixelX_)); }
    int pixelsY(float twips) const { return static_cast<int>(std::lround(twips / perPixelY_)); }
    float twipsX(int pixels) const { return static_cast<float>(pixels) * perPixelX_; }
    float twipsY(int pixels) const { return static_cast<float>(pixels) * perPixelY_; }

private:
    float perPixelX_;
    float perPixelY_;
};

} // namespace ostrane::core
