#include "win32/pictures.h"

#include "platform/win32/widetext.h"

#include <utility>

namespace ostrane::win32 {

namespace {

std::wstring resourceName(std::string_view asset) {
    return platform::win32::wideFromUtf8(asset).value_or(L"");
}

} // namespace

Picture::Picture(std::string_view asset) {
    if (asset.empty())
        return;
    const std::wstring name = resourceName(asset);
    bitmap_ = static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), name.c_str(),
                                                IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP shape{};
    if (bitmap_ != nullptr && ::GetObjectW(bitmap_, sizeof shape, &shape) != 0)
        size_ = {shape.bmWidth, shape.bmHeight};
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
