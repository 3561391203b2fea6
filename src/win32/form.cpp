#include "win32/form.h"

#include "platform/win32/widetext.h"
#include "win32/commandbutton.h"
#include "win32/filelistbox.h"
#include "win32/label.h"
#include "win32/picturebox.h"
#include "win32/pictures.h"
#include "win32/textbox.h"

#include <algorithm>

namespace ostrane::win32 {

namespace {

constexpr wchar_t windowClassName[] = L"OstraneForm";

core::TwipScale screenScale() {
    const POINT dpi = screenDotsPerInch();
    return core::TwipScale::forDotsPerInch(static_cast<float>(dpi.x), static_cast<float>(dpi.y));
}

} // namespace

bool Form::registerClass() {
    // A double click on a label is two presses for the label.
    return registerWindowClass(windowClassName, windowProcedure);
}

Form::Form(const core::WindowDescription& description, DWORD style, ControlServices services)
    : description_(description), scale_(screenScale()) {
    if (!description.font.isWindowFont())
        font_ = Font(description.font, screenDotsPerInch().y);
    if (const auto colour = colourOf(description.backColour))
        back_.emplace(*colour);
    RECT outer{0, 0, screenPixelsX(scale_, static_cast<float>(description.clientWidth)),
               screenPixelsY(scale_, static_cast<float>(description.clientHeight))};
    ::AdjustWindowRectEx(&outer, style, FALSE, 0);
    const std::wstring title = platform::win32::wideFromUtf8(description.caption).value_or(L"");
    window_ = ::CreateWindowExW(0, windowClassName, title.c_str(), style, CW_USEDEFAULT,
                                CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                                nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    if (window_ == nullptr)
        return;
    icon_ = loadIcon(description.icon);
    ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    createControls(services);
}

Form::~Form() {
    controls_.clear();
    if (window_ != nullptr && ::IsWindow(window_)) {
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
    }
}

void Form::createControls(ControlServices services) {
    const HFONT formFont = font_.handle() != nullptr
                               ? font_.handle()
                               : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    for (const core::ControlDescription& row : description_.controls) {
        std::unique_ptr<Control> control;
        switch (row.kind) {
        case core::ControlKind::Label:
            control = std::make_unique<Label>(row, scale_, formFont);
            break;
        case core::ControlKind::TextBox:
            control = std::make_unique<TextBox>(row, scale_, formFont);
            break;
        case core::ControlKind::LinkTextBox:
            control = std::make_unique<LinkTextBox>(row, scale_, formFont, services.conversations);
            break;
        case core::ControlKind::CommandButton:
            control = std::make_unique<CommandButton>(row, scale_, formFont);
            break;
        case core::ControlKind::PictureBox:
            control = std::make_unique<PictureBox>(row, scale_, formFont);
            break;
        case core::ControlKind::FileListBox:
            control = std::make_unique<FileListBox>(row, scale_, formFont, services.folderReader,
                                                    services.songFiles);
            break;
        }
        controls_.push_back(std::move(control));
    }
    // Each window made costs the start its share of the system's time: those not shown in
    // the first frame are made once it is drawn (or when the window grows to show them).
    createControlWindows(shownAtStart);
    for (const auto& control : controls_)
        if (control->holdsWindow() && control->handle() == nullptr) {
            ::PostMessageW(window_, controlsDueMessage, 0, 0);
            break;
        }
}

bool Form::shownAtStart(const core::ControlDescription& row,
                        const core::WindowDescription& window) {
    return row.visible && row.top < static_cast<float>(window.clientHeight);
}

void Form::createControlWindows(bool (*wanted)(const core::ControlDescription&,
                                               const core::WindowDescription&)) {
    // Each window goes beneath the ones before it in the description.
    HWND above = HWND_TOP;
    for (const auto& control : controls_) {
        if (control->handle() == nullptr && wanted(control->description(), description_))
            control->createWindow(window_, above);
        if (control->handle() != nullptr)
            above = control->handle();
    }
}

void Form::rescale(int dotsPerInch, const RECT& suggested) {
    scale_ = core::TwipScale::forDotsPerInch(static_cast<float>(dotsPerInch),
                                             static_cast<float>(dotsPerInch));
    // The controls take the new font before the old one goes.
    Font font = description_.font.isWindowFont() ? Font() : Font(description_.font, dotsPerInch);
    const HFONT formFont = font.handle() != nullptr
                               ? font.handle()
                               : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    for (const auto& control : controls_)
        control->rescale(scale_, dotsPerInch, formFont);
    // A box may show another box's picture, which is chosen anew only now.
    for (const auto& control : controls_)
        if (control->description().kind == core::ControlKind::PictureBox) {
            auto& box = static_cast<PictureBox&>(*control);
            box.showPicture(box.picture());
        }
    font_ = std::move(font);
    ::SetWindowPos(window_, nullptr, suggested.left, suggested.top,
                   suggested.right - suggested.left, suggested.bottom - suggested.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

Control* Form::find(std::string_view name) const {
    for (const auto& control : controls_)
        if (control->name() == name)
            return control.get();
    return nullptr;
}

float Form::Width() const {
    RECT outer{};
    ::GetWindowRect(window_, &outer);
    return scale_.twipsX(outer.right - outer.left);
}

float Form::Height() const {
    RECT outer{};
    ::GetWindowRect(window_, &outer);
    return scale_.twipsY(outer.bottom - outer.top);
}

void Form::setHeight(float twips) {
    createControlWindows(always);
    RECT outer{};
    ::GetWindowRect(window_, &outer);
    ::SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left,
                   std::max(0, scale_.pixelsY(twips)), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::vector<Control*> Form::tabStops() const {
    RECT client;
    ::GetClientRect(window_, &client);
    std::vector<Control*> order;
    for (const auto& control : controls_) {
        const auto style = ::GetWindowLongPtrW(control->handle(), GWL_STYLE);
        const RECT bounds = control->bounds();
        RECT seen;
        if ((style & WS_TABSTOP) != 0 && control->visible() && control->enabled() &&
            ::IntersectRect(&seen, &bounds, &client))
            order.push_back(control.get());
    }
    std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
        return a->description().tabIndex < b->description().tabIndex;
    });
    return order;
}

void Form::restoreFocus() {
    const std::vector<Control*> order = tabStops();
    const bool lastStillTakesIt =
        std::any_of(order.begin(), order.end(),
                    [this](const Control* control) { return control->handle() == lastFocus_; });
    if (lastStillTakesIt)
        ::SetFocus(lastFocus_);
    else if (!order.empty())
        ::SetFocus(order.front()->handle());
}

bool Form::keyDown(const MSG& message) {
    if (message.message != WM_KEYDOWN)
        return false;
    const HWND root = ::GetAncestor(message.hwnd, GA_ROOT);
    auto* form = root != nullptr ? reinterpret_cast<Form*>(::GetWindowLongPtrW(root, GWLP_USERDATA))
                                 : nullptr;
    if (form == nullptr || form->handle() != root)
        return false;
    if (message.wParam == VK_TAB) {
        form->tabFocus(::GetKeyState(VK_SHIFT) < 0);
        return true;
    }
    const bool repeated = (message.lParam & (1 << 30)) != 0;
    for (const auto& control : form->controls_)
        if (control->handle() == message.hwnd)
            return !repeated && control->keyPressed(message.wParam);
    return false;
}

void Form::tabFocus(bool backwards) {
    const std::vector<Control*> order = tabStops();
    if (order.empty())
        return;
    const HWND focus = ::GetFocus();
    auto at = std::find_if(order.begin(), order.end(), [focus](const Control* control) {
        return control->handle() == focus || ::IsChild(control->handle(), focus);
    });
    std::size_t next = 0;
    if (at != order.end()) {
        const auto index = static_cast<std::size_t>(at - order.begin());
        next = backwards ? (index + order.size() - 1) % order.size() : (index + 1) % order.size();
    } else if (backwards) {
        next = order.size() - 1;
    }
    ::SetFocus(order[next]->handle());
}

Label* Form::labelAt(POINT point) const {
    for (const auto& control : controls_) {
        if (control->description().kind != core::ControlKind::Label || !control->visible())
            continue;
        const RECT area = control->bounds();
        if (::PtInRect(&area, point))
            return static_cast<Label*>(control.get());
    }
    return nullptr;
}

std::optional<LRESULT> Form::onMessage(UINT, WPARAM, LPARAM) {
    return std::nullopt;
}

LRESULT Form::route(UINT message, WPARAM wParam, LPARAM lParam) {
    if (const std::optional<LRESULT> handled = onMessage(message, wParam, lParam))
        return *handled;
    switch (message) {
    case controlsDueMessage:
        createControlWindows(always);
        return 0;
    case Label::tipsDueMessage:
        for (const auto& control : controls_)
            if (control->description().kind == core::ControlKind::Label)
                static_cast<Label*>(control.get())->attachTip();
        return 0;
    case WM_DPICHANGED:
        rescale(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_ACTIVATE:
        // The keyboard stays with the window's controls, never with the window itself.
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = ::GetFocus();
            if (focus != nullptr && ::IsChild(window_, focus))
                lastFocus_ = focus;
        } else if (HIWORD(wParam) == 0) {
            restoreFocus();
        }
        return 0;
    case WM_SETFOCUS:
        restoreFocus();
        return 0;
    case WM_COMMAND:
        if (Control* control = Control::from(reinterpret_cast<HWND>(lParam)))
            control->command(HIWORD(wParam));
        return 0;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (Control* control = Control::from(item->hwndItem); control && control->drawItem(*item))
            return TRUE;
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: {
        const auto system =
            reinterpret_cast<HBRUSH>(::DefWindowProcW(window_, message, wParam, lParam));
        if (Control* control = Control::from(reinterpret_cast<HWND>(lParam)))
            return reinterpret_cast<LRESULT>(
                control->colours(reinterpret_cast<HDC>(wParam), system));
        return reinterpret_cast<LRESULT>(system);
    }
    case WM_ERASEBKGND: {
        RECT client;
        ::GetClientRect(window_, &client);
        ::FillRect(reinterpret_cast<HDC>(wParam), &client,
                   back_ ? back_->brush() : ::GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: {
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        Label* label = labelAt(at);
        if (message == WM_MOUSEMOVE) {
            if (label == nullptr)
                mouseMove();
            else if (label->onMouseMove)
                label->onMouseMove();
        } else if (label != nullptr && label->onMouseDown) {
            label->onMouseDown();
        }
        return 0;
    }
    default:
        break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK Form::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr)
        return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        const LRESULT result = form->route(message, wParam, lParam);
        form->window_ = nullptr;
        return result;
    }
    return form->route(message, wParam, lParam);
}

} // namespace ostrane::win32
