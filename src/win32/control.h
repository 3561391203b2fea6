#pragma once

#include "core/screenpixels.h"
#include "core/twips.h"
#include "core/windowdescription.h"
#include "win32/fonts.h"
#include "win32/win32api.h"

#include <optional>
#include <string>
#include <string_view>

namespace ostrane::win32 {

// A colour a control paints with, and the brush that fills with it.
class Paint {
public:
    Paint() = default;
    explicit Paint(COLORREF colour);
    ~Paint();
    Paint(const Paint&) = delete;
    Paint& operator=(const Paint&) = delete;
    Paint(Paint&& other) noexcept;
    Paint& operator=(Paint&& other) noexcept;

    COLORREF colour() const { return colour_; }
    HBRUSH brush() const { return brush_; }

private:
    COLORREF colour_ = 0;
    HBRUSH brush_ = nullptr;
};

// The core's `shaded` for a Windows colour.
COLORREF shaded(COLORREF colour, int percent);

// A description's RGB colour as Windows writes it.
inline COLORREF rgbOf(core::Colour colour) {
    return RGB(colour.red, colour.green, colour.blue);
}

// A description's colour on this system; nothing for the toolkit's default.
std::optional<COLORREF> colourOf(const core::Colour& colour);

// A length in twips on a screen of `scale`, in its pixels, as the Linux program puts it there:
// whole pixels at 96 dots per inch (its layout), times the screen's scale and rounded (its
// drawing). At 96 dots per inch, the twips in pixels.
int screenPixelsX(const core::TwipScale& scale, float twips);
int screenPixelsY(const core::TwipScale& scale, float twips);
// A row's rectangle on that screen, each edge where the Linux program draws it; at the row's
// place with `sizeAt96`, in pixels at 96 dots per inch, where that is given.
RECT placed(const core::TwipScale& scale, const core::ControlDescription& row,
            std::optional<SIZE> sizeAt96 = std::nullopt);
// Paints one ring of a 3D edge, in the screen's pixels of `dc`: its top and left bands in
// `topLeft`, then its bottom and right ones in `bottomRight`.
void paintRing(HDC dc, const core::EdgeRing& ring, COLORREF topLeft, COLORREF bottomRight);
// The width of a line on that screen: whole pixels, one up to 1.5 times the design's scale.
int lineWidth(const core::TwipScale& scale);

// Registers a window class of the program's own with the arrow cursor; double clicks arrive
// as such. True also when the class is registered already.
bool registerWindowClass(const wchar_t* name, WNDPROC procedure);

// One control of a form, made from its row of the window description. Its child window is
// made when the form asks for it (a control out of sight may wait until after the first
// frame, and one that is never shown never has one); until then the control keeps its text,
// visibility and enabling itself. The form's window procedure hands each control the
// messages that concern it.
class Control {
public:
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    HWND handle() const { return window_; }
    const core::ControlDescription& description() const { return row_; }
    std::string_view name() const { return row_.name; }

    // The control that owns a window, nullptr when none does.
    static Control* from(HWND window);

    // Whether the control is ever shown, and so needs a window of its own.
    virtual bool holdsWindow() const { return true; }
    // Makes the control's window in `form`, beneath its sibling `above` (HWND_TOP for none),
    // with the text, visibility and enabling the control has now.
    void createWindow(HWND form, HWND above);

    bool visible() const;
    void setVisible(bool visible);
    bool enabled() const;
    void setEnabled(bool enabled);
    // The window's text, UTF-8.
    std::string text() const;
    void setText(std::string_view text);
    // Where the control lies in its form's client area, in pixels.
    RECT bounds() const;

    // WM_COMMAND from the control.
    virtual void command(WORD /*code*/) {}
    // A key pressed (not repeated) while the control has the focus; false leaves it to the
    // control's own window procedure.
    virtual bool keyPressed(WPARAM /*key*/) { return false; }
    // WM_DRAWITEM for an owner-drawn control; false when it draws nothing itself.
    virtual bool drawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }
    // WM_CTLCOLOR*: sets the text colours on `dc` and gives the background brush, where
    // `system` is what the system would paint with.
    virtual HBRUSH colours(HDC dc, HBRUSH system);
    // The form moved to a screen of `dotsPerInch`: the control takes its place and size from
    // its row again, and its font at the new scale.
    virtual void rescale(const core::TwipScale& scale, int dotsPerInch, HFONT formFont);

protected:
    // The window, once made, is of `windowClass`; `style` adds to the description's
    // visibility, enabling and border.
    Control(const core::ControlDescription& row, const core::TwipScale& scale,
            const wchar_t* windowClass, DWORD style, HFONT formFont, std::string_view text);

    // The window has just been made: what the control sets up on it.
    virtual void windowCreated() {}

    // The font the control draws its text in.
    HFONT font() const { return font_.handle() != nullptr ? font_.handle() : formFont_; }

    // The window procedure of a field whose sunken edge the control draws itself, in front
    // of the window class's own.
    static LRESULT CALLBACK paintSunkenEdge(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);

    const core::ControlDescription& row_;
    HWND window_ = nullptr;
    Font font_;
    HFONT formFont_ = nullptr;
    core::TwipScale scale_;
    WNDPROC baseProcedure_ = nullptr;
    std::optional<Paint> fore_;
    std::optional<Paint> back_;

private:
    const wchar_t* windowClass_;
    // Until the window is made: its style, and its text.
    DWORD style_;
    std::wstring text_;
};

} // namespace ostrane::win32
