#include "win32/pictures.h"

#include "platform/win32/widetext.h"

#include <cstring>
#include <memory>
#include <utility>

namespace ostrane::win32 {

namespace {

std::wstring resourceName(std::string_view asset) {
    return platform::win32::wideFromUtf8(asset).value_or(L"");
}

bool endsWith(std::string_view text, std::string_view ending) {
    if (text.size() < ending.size())
        return false;
    const std::string_view tail = text.substr(text.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i)
        if ((tail[i] | 0x20) != ending[i])
            return false;
    return true;
}

struct Released {
    void operator()(IUnknown* object) const { object->Release(); }
};

// JPEG and GIF pictures through OLE's picture decoder, drawn once into a bitmap of their own
// pixel size.
HBITMAP decodeResource(const std::wstring& name, SIZE& size) {
    const HMODULE module = ::GetModuleHandleW(nullptr);
    const HRSRC found = ::FindResourceW(module, name.c_str(), MAKEINTRESOURCEW(10)); // RT_RCDATA
    if (found == nullptr)
        return nullptr;
    const DWORD bytes = ::SizeofResource(module, found);
    const void* data = ::LockResource(::LoadResource(module, found));
    if (data == nullptr || bytes == 0)
        return nullptr;
    const HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (copy == nullptr)
        return nullptr;
    std::memcpy(::GlobalLock(copy), data, bytes);
    ::GlobalUnlock(copy);
    IStream* rawStream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(copy, TRUE, &rawStream))) {
        ::GlobalFree(copy);
        return nullptr;
    }
    std::unique_ptr<IStream, Released> stream(rawStream);
    IPicture* rawPicture = nullptr;
    if (FAILED(::OleLoadPicture(stream.get(), static_cast<LONG>(bytes), FALSE, IID_IPicture,
                                reinterpret_cast<void**>(&rawPicture))))
        return nullptr;
    std::unique_ptr<IPicture, Released> picture(rawPicture);

    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture->get_Width(&width);
    picture->get_Height(&height);
    const HDC screen = ::GetDC(nullptr);
    // Hundredths of a millimetre to pixels.
    size.cx = ::MulDiv(width, ::GetDeviceCaps(screen, LOGPIXELSX), 2540);
    size.cy = ::MulDiv(height, ::GetDeviceCaps(screen, LOGPIXELSY), 2540);
    const HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, size.cx, size.cy);
    ::ReleaseDC(nullptr, screen);
    if (bitmap != nullptr) {
        const HGDIOBJ previous = ::SelectObject(memory, bitmap);
        // The picture's own coordinates run upwards: start at its top edge.
        picture->Render(memory, 0, 0, size.cx, size.cy, 0, height, width, -height, nullptr);
        ::SelectObject(memory, previous);
    }
    ::DeleteDC(memory);
    return bitmap;
}

} // namespace

Picture::Picture(std::string_view asset) {
    const std::wstring name = resourceName(asset);
    if (endsWith(asset, ".bmp")) {
        bitmap_ = static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), name.c_str(),
                                                    IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        BITMAP shape{};
        if (bitmap_ != nullptr && ::GetObjectW(bitmap_, sizeof shape, &shape) != 0)
            size_ = {shape.bmWidth, shape.bmHeight};
    } else if (!asset.empty()) {
        bitmap_ = decodeResource(name, size_);
    }
    if (bitmap_ == nullptr)
        size_ = {};
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
