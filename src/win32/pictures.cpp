#include "win32/pictures.h"

#include "platform/win32/widetext.h"

#include <string>
#include <utility>

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

// `bitmap` smoothly scaled to `size`; it is deleted.
HBITMAP scaled(HBITMAP bitmap, SIZE from, SIZE size) {
    const HDC screen = ::GetDC(nullptr);
    const HDC source = ::CreateCompatibleDC(screen);
    const HDC target = ::CreateCompatibleDC(screen);
    const HBITMAP result = ::CreateCompatibleBitmap(screen, size.cx, size.cy);
    ::ReleaseDC(nullptr, screen);
    if (result != nullptr) {
        const HGDIOBJ oldSource = ::SelectObject(source, bitmap);
        const HGDIOBJ oldTarget = ::SelectObject(target, result);
        ::SetStretchBltMode(target, HALFTONE);
        ::SetBrushOrgEx(target, 0, 0, nullptr);
        ::StretchBlt(target, 0, 0, size.cx, size.cy, source, 0, 0, from.cx, from.cy, SRCCOPY);
        ::SelectObject(source, oldSource);
        ::SelectObject(target, oldTarget);
    }
    ::DeleteDC(source);
    ::DeleteDC(target);
    ::DeleteObject(bitmap);
    return result;
}

} // namespace

Picture::Picture(std::string_view asset, int dotsPerInch) {
    if (asset.empty())
        return;
    SIZE own{};
    bitmap_ = loadBitmap(resourceName(asset), own);
    if (bitmap_ == nullptr || dotsPerInch <= designDotsPerInch) {
        size_ = own;
        return;
    }
    const auto wanted = [&](LONG pixels) {
        return static_cast<LONG>(::MulDiv(pixels, dotsPerInch, designDotsPerInch));
    };
    size_ = {wanted(own.cx), wanted(own.cy)};
    const std::string_view stem = asset.substr(0, asset.rfind('.'));
    SIZE twinSize{};
    if (const HBITMAP twin = loadBitmap(resourceName(std::string(stem) + ".2x"), twinSize)) {
        ::DeleteObject(bitmap_);
        bitmap_ = twin;
        own = twinSize;
    }
    if (own.cx != size_.cx || own.cy != size_.cy)
        bitmap_ = scaled(bitmap_, own, size_);
}

Picture::~Picture() {
    if (bitmap_ != nullptr)
        ::DeleteObject(bitmap_);
}

Picture::Picture(Picture&& other) noexcept
    : bitmap_(std::exchange(other.bitmap_, nullptr)), size_(std::exchange(other.size_, {})) {}

Picture& Picture::operator=(Picture&& other) noexcept {
    if (this != &other) {
        if (bitmap_ != nullptr)
            ::DeleteObject(bitmap_);
        bitmap_ = std::exchange(other.bitmap_, nullptr);
        size_ = std::exchange(other.size_, {});
    }
    return *this;
}

void Picture::draw(HDC dc, int x, int y, BYTE alpha) const {
    if (bitmap_ == nullptr)
        return;
    const HDC memory = ::CreateCompatibleDC(dc);
    const HGDIOBJ previous = ::SelectObject(memory, bitmap_);
    if (alpha == 255) {
        ::BitBlt(dc, x, y, size_.cx, size_.cy, memory, 0, 0, SRCCOPY);
    } else {
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, 0};
        ::GdiAlphaBlend(dc, x, y, size_.cx, size_.cy, memory, 0, 0, size_.cx, size_.cy, blend);
    }
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
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
