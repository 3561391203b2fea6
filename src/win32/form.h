#pragma once

#include "core/folderreader.h"
#include "core/twips.h"
#include "core/windowdescription.h"
#include "win32/control.h"
#include "win32/fonts.h"

#include <memory>
#include <vector>

namespace ostrane::core {
class Conversations;
class SongFileOpener;
} // namespace ostrane::core

namespace ostrane::win32 {

class Label;

// The services a window's controls reach the outside world through.
struct ControlServices {
    core::Conversations& conversations;
    core::FolderReader& folderReader;
    // Where the song list reads its tooltips; without it the songs have none.
    core::SongFileOpener* songFiles = nullptr;
};

// A top-level window built from its description: one control per row, stacked as the rows
// say, with keyboard focus running by tab index. Its one window procedure hands each control
// the messages that concern it: commands, drawing, colours, and the pointer over a label.
class Form {
public:
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND handle() const { return window_; }
    const core::TwipScale& scale() const { return scale_; }
    const core::WindowDescription& description() const { return description_; }

    // The control named so; it must exist and be of that kind.
    template <typename Kind> Kind& control(std::string_view name) const {
        return static_cast<Kind&>(*find(name));
    }
    Control* find(std::string_view name) const;

    // The window's outer size, frame included, in twips.
    float Width() const;
    float Height() const;
    // Sets the outer height; the frame keeps its size, so the client area takes the change.
    void setHeight(float twips);

    // Moves the focus to the next (or previous) control by tab index that can take it.
    void tabFocus(bool backwards);

    // Keys a window of the program acts on before the control they are for: Tab moves the
    // focus, and a focused control acts on its keys (Return presses a button). True when
    // `message` is used up; the message loop hands every message here first.
    static bool keyDown(const MSG& message);

    static bool registerClass();

protected:
    // `style` is the window's frame; the client area takes the description's size.
    Form(const core::WindowDescription& description, DWORD style, ControlServices services);

    // A message for the window itself; the default handling when it gives nothing.
    virtual std::optional<LRESULT> onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The window moved to a screen of another scale: everything is laid out again at
    // `dotsPerInch`, in the outer rectangle the system suggests.
    void rescale(int dotsPerInch, const RECT& suggested);
    // The pointer moved over the window where no label lies.
    virtual void mouseMove() {}

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT route(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls(ControlServices services);
    // Makes the windows not yet made of the controls `wanted` picks, each in its place in
    // the stack.
    void createControlWindows(bool (*wanted)(const core::ControlDescription&,
                                             const core::WindowDescription&));
    // A control shown, and whose row lies within the window as described, before it grows.
    static bool shownAtStart(const core::ControlDescription& row,
                             const core::WindowDescription& window);
    static bool always(const core::ControlDescription&, const core::WindowDescription&) {
        return true;
    }
    // Posted when controls wait for their windows; a form destroyed before the loop reaches
    // it never gets it.
    static constexpr UINT controlsDueMessage = WM_APP + 22;
    Label* labelAt(POINT point) const;
    // The controls that take the focus by Tab, in tab order: shown, enabled, and in sight.
    std::vector<Control*> tabStops() const;
    // Gives the focus back to the control that last had it, the first tab stop at first.
    void restoreFocus();

    const core::WindowDescription& description_;
    core::TwipScale scale_;
    HWND window_ = nullptr;
    Font font_;
    std::optional<Paint> back_;
    HICON icon_ = nullptr;
    HWND lastFocus_ = nullptr;
    // Front to back, as the description lists them.
    std::vector<std::unique_ptr<Control>> controls_;
};

} // namespace ostrane::win32
