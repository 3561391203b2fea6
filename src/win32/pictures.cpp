#include "win32/pictures.h"

#include "platform/win32/widetext.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ostrane::win32 {

namespace {

std::wstring resourceName(std::string_view asset) {
    return platform::win32::wideFromUtf8(asset).value_or(L"");
}

constexpr int designDotsPerInch = 96;

HBITMAP loadBitmap(const std::wstring& name, SIZE& size) {
    const auto bitmap = static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), name.c_str(),
                                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP shape{};
    if (bitmap != nullptr && ::GetObjectW(bitmap, sizeof shape, &shape) != 0)
        size = {shape.bmWidth, shape.bmHeight};
    return bitmap;
}

// One picture's pixels, 32 bits each, top row first.
struct Pixels {
    SIZE size{};
    std::vector<std::uint32_t> values;
};

Pixels pixelsOf(HBITMAP bitmap, SIZE size) {
    Pixels pixels{size, std::vector<std::uint32_t>(static_cast<std::size_t>(size.cx) *
                                                   static_cast<std::size_t>(size.cy))};
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const HDC screen = ::GetDC(nullptr);
    ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(size.cy), pixels.values.data(), &info,
                DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

// Bilinear: each pixel's middle sampled between the four nearest of the source, weighed on
// 256 steps, as the Linux program's smooth picture scaling does.
HBITMAP resampled(HBITMAP source, SIZE from, SIZE to) {
    if (to.cx <= 0 || to.cy <= 0)
        return nullptr;
    const Pixels in = pixelsOf(source, from);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), to.cx, -to.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP result = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (result == nullptr)
        return nullptr;
    auto* out = static_cast<std::uint32_t*>(bits);
    // Where a target pixel's middle falls in the source, on 1/65536 of a pixel.
    const auto sample = [](int target, LONG fromLength, LONG toLength) {
        const long long at = ((2LL * target + 1) * fromLength * 65536 / toLength - 65536) / 2;
        const long long first = std::clamp<long long>(at >> 16, 0, fromLength - 1);
        const long long second = std::clamp<long long>((at >> 16) + 1, 0, fromLength - 1);
        const int weight = at < 0 ? 0 : static_cast<int>((at & 0xffff) >> 8);
        return std::array<long long, 3>{first, second, weight};
    };
    for (int y = 0; y < to.cy; ++y) {
        const auto [top, bottom, down] = sample(y, from.cy, to.cy);
        for (int x = 0; x < to.cx; ++x) {
            const auto [left, right, across] = sample(x, from.cx, to.cx);
            const auto at = [&](long long row, long long column) {
                return in.values[static_cast<std::size_t>(row * from.cx + column)];
            };
            std::uint32_t pixel = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const auto channel = [shift](std::uint32_t value) {
                    return static_cast<long long>((value >> shift) & 0xff);
                };
                const long long upper =
                    channel(at(top, left)) * (256 - across) + channel(at(top, right)) * across;
                const long long lower = channel(at(bottom, left)) * (256 - across) +
                                        channel(at(bottom, right)) * across;
                const long long value = (upper * (256 - down) + lower * down) >> 16;
                pixel |= static_cast<std::uint32_t>(value) << shift;
            }
            out[static_cast<std::size_t>(y) * static_cast<std::size_t>(to.cx) +
                static_cast<std::size_t>(x)] = pixel;
        }
    }
    return result;
}

void blit(HDC dc, HBITMAP bitmap, int x, int y, SIZE size, BYTE alpha) {
    const HDC memory = ::CreateCompatibleDC(dc);
    const HGDIOBJ previous = ::SelectObject(memory, bitmap);
    if (alpha == 255) {
        ::BitBlt(dc, x, y, size.cx, size.cy, memory, 0, 0, SRCCOPY);
    } else {
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, 0};
        ::GdiAlphaBlend(dc, x, y, size.cx, size.cy, memory, 0, 0, size.cx, size.cy, blend);
    }
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
}

} // namespace

Picture::Picture(std::string_view asset, int dotsPerInch) {
    if (asset.empty())
        return;
    source_ = loadBitmap(resourceName(asset), designSize_);
    sourceSize_ = designSize_;
    size_ = designSize_;
    if (source_ == nullptr || dotsPerInch <= designDotsPerInch)
        return;
    const auto wanted = [&](LONG pixels) {
        return static_cast<LONG>(::MulDiv(pixels, dotsPerInch, designDotsPerInch));
    };
    size_ = {wanted(designSize_.cx), wanted(designSize_.cy)};
    const std::string_view stem = asset.substr(0, asset.rfind('.'));
    SIZE twinSize{};
    if (const HBITMAP twin = loadBitmap(resourceName(std::string(stem) + ".2x"), twinSize)) {
        ::DeleteObject(source_);
        source_ = twin;
        sourceSize_ = twinSize;
    }
    if (sourceSize_.cx != size_.cx || sourceSize_.cy != size_.cy)
        scaled_ = resampled(source_, sourceSize_, size_);
}

Picture::~Picture() {
    release();
}

void Picture::release() {
    if (scaled_ != nullptr)
        ::DeleteObject(scaled_);
    if (source_ != nullptr)
        ::DeleteObject(source_);
    scaled_ = source_ = nullptr;
}

Picture::Picture(Picture&& other) noexcept {
    *this = std::move(other);
}

Picture& Picture::operator=(Picture&& other) noexcept {
    if (this != &other) {
        release();
        source_ = std::exchange(other.source_, nullptr);
        scaled_ = std::exchange(other.scaled_, nullptr);
        sourceSize_ = std::exchange(other.sourceSize_, {});
        designSize_ = std::exchange(other.designSize_, {});
        size_ = std::exchange(other.size_, {});
    }
    return *this;
}

void Picture::draw(HDC dc, int x, int y, BYTE alpha) const {
    if (source_ != nullptr)
        blit(dc, scaled_ != nullptr ? scaled_ : source_, x, y, size_, alpha);
}

void Picture::draw(HDC dc, int x, int y, SIZE size) const {
    if (source_ == nullptr)
        return;
    if (size.cx == size_.cx && size.cy == size_.cy) {
        draw(dc, x, y);
        return;
    }
    if (const HBITMAP fitted = resampled(source_, sourceSize_, size)) {
        blit(dc, fitted, x, y, size, 255);
        ::DeleteObject(fitted);
    }
}

HICON loadIcon(std::string_view asset, int size) {
    const HMODULE module = ::GetModuleHandleW(nullptr);
    const std::wstring name = resourceName(asset);
    auto load = [&](const wchar_t* resource) {
        return static_cast<HICON>(
            ::LoadImageW(module, resource, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    };
    HICON icon = load(name.c_str());
    // The program's own icon is resource 1, the one the shell shows for the file.
    if (icon == nullptr)
        icon = load(MAKEINTRESOURCEW(1));
    return icon != nullptr ? icon : ::LoadIconW(nullptr, MAKEINTRESOURCEW(32512));
}

} // namespace ostrane::win32
