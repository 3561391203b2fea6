#pragma once

// A window as data: its own properties and one row per control, as the window is designed.
// Every front end builds its windows from these rows; none restates a number of them.

#include <cstdint>
#include <span>
#include <string_view>

namespace ostrane::core {

enum class ControlKind : std::uint8_t {
    Label,
    // A single-line, editable text box.
    TextBox,
    // A text box that is never shown and acts as a link client: its text is an address.
    LinkTextBox,
    // A command button in graphical style: face colour, optional pictures, caption.
    CommandButton,
    PictureBox,
    // The files of one folder that match the control's pattern.
    FileListBox,
};

// A colour as the design names it: an RGB triple, one of the platform's system colours, or
// nothing of its own (the toolkit's default for that kind of control).
struct Colour {
    enum class Source : std::uint8_t {
        ToolkitDefault,
        Rgb,
        WindowBackground,
        WindowText,
        ButtonFace
    };

    Source source = Source::ToolkitDefault;
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    static constexpr Colour rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
        return {Source::Rgb, red, green, blue};
    }
    static constexpr Colour system(Source source) { return {source, 0, 0, 0}; }

    constexpr bool isToolkitDefault() const { return source == Source::ToolkitDefault; }
    // The toolkit's colour number: red + 256 × green + 65536 × blue.
    constexpr std::uint32_t value() const { return red + 256u * green + 65536u * blue; }
    friend constexpr bool operator==(const Colour&, const Colour&) = default;
};

inline constexpr Colour ToolkitDefaultColour{};
inline constexpr Colour WindowBackgroundColour = Colour::system(Colour::Source::WindowBackground);
inline constexpr Colour WindowTextColour = Colour::system(Colour::Source::WindowText);
inline constexpr Colour ButtonFaceColour = Colour::system(Colour::Source::ButtonFace);

// A face at a size in points and a weight (400 regular, 700 bold); never italic, underlined or
// struck out. An empty face means the control uses its window's font.
struct Font {
    std::string_view face;
    float points = 0;
    int weight = 400;

    bool isWindowFont() const { return face.empty(); }
    friend constexpr bool operator==(const Font&, const Font&) = default;
};

inline constexpr int RegularWeight = 400;
inline constexpr int BoldWeight = 700;
inline constexpr Font WindowFont{};

// Horizontal placement of a control's text; text always starts at the top.
enum class Alignment : std::uint8_t { Left, Centre, Right };

enum class Border : std::uint8_t {
    None,
    // One pixel in the toolkit's border colour.
    Flat,
    // The platform's sunken edge of an entry field or list.
    Sunken,
};

struct ControlDescription {
    ControlKind kind;
    std::string_view name;
    // In twips, relative to the client area's top-left corner; any value is valid, so a
    // control may lie partly or wholly outside the client area.
    int left, top, width, height;
    // Keyboard focus runs through the controls that can take it, by ascending tab index.
    int tabIndex;
    // The design-time caption or text; for a file list, the patterns it lists.
    std::string_view caption = {};
    Font font = WindowFont;
    Colour foreColour = ToolkitDefaultColour;
    Colour backColour = ToolkitDefaultColour;
    // Whether a label paints its background; every other kind always does.
    bool opaque = true;
    bool visible = true;
    bool enabled = true;
    Alignment alignment = Alignment::Left;
    bool wordWrap = false;
    Border border = Border::None;
    // A picture box takes its picture's size plus its border.
    bool autoSize = false;
    // Asset file names ("banner.jpg"); empty for none. The down picture is a button's picture
    // while it is held down.
    std::string_view picture = {};
    std::string_view downPicture = {};
    // The text colour while the pointer is over the control; none for a control that does
    // not light up.
    Colour hoverColour = ToolkitDefaultColour;
    // What assistive technology calls the control where its caption does not say it.
    std::string_view accessibleName = {};
    // A caption or picture that acts on a click: assistive technology sees a button.
    bool actsAsButton = false;
};

struct WindowDescription {
    std::string_view name;
    std::string_view caption;
    // An asset file name.
    std::string_view icon;
    // The window's own DDE topic name.
    std::string_view linkTopic;
    int clientWidth, clientHeight;
    Colour backColour;
    Colour foreColour;
    Font font;
    // One row per control, in stacking order, front first.
    std::span<const ControlDescription> controls;

    // The row of the control with that name, nullptr when there is none.
    const ControlDescription* control(std::string_view controlName) const {
        for (const auto& row : controls)
            if (row.name == controlName)
                return &row;
        return nullptr;
    }
};

// The main window: banner, transport buttons, path field, panel toggle and, below the closed
// window's edge, the file-list panel.
const WindowDescription& form1Description();
// The about window.
const WindowDescription& form5Description();

} // namespace ostrane::core
