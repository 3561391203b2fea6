#pragma once

// Builds a window of the Qt front end from its description.

#include "core/twips.h"
#include "core/windowdescription.h"

#include <QString>
#include <string_view>
#include <utility>
#include <vector>

class QWidget;

namespace ostrane::core {
class Conversations;
class FolderReader;
class SongFileOpener;
} // namespace ostrane::core

namespace ostrane::qt {

// What some kinds of control need beyond their row: link text boxes converse, file lists
// read folders and, when they can, their songs' tags. A window without such controls needs
// none of them.
struct ControlServices {
    core::Conversations* conversations = nullptr;
    core::FolderReader* folderReader = nullptr;
    core::SongFileOpener* songFiles = nullptr;
};

// The controls of a loaded window, found by their given names.
class LoadedControls {
public:
    void add(std::string_view name, QWidget* control) { controls_.emplace_back(name, control); }
    // nullptr when the window has no control of that name.
    QWidget* find(std::string_view name) const;

    // Sets `member` to the control of that name; throws std::logic_error when the window
    // has none of that name and kind, which only a description out of step with its window
    // can cause.
    template <typename Control> void assign(Control*& member, std::string_view name) const {
        member = qobject_cast<Control*>(find(name));
        if (!member)
            missing(name);
    }

private:
    [[noreturn]] static void missing(std::string_view name);

    std::vector<std::pair<std::string_view, QWidget*>> controls_;
};

// The Qt resource that holds an asset named in a description.
QString picturePath(std::string_view file);

// Gives `window` the description's name, caption, icon, font, colours and client size, then
// builds its controls on it back to front, so that each lies in front of those before it:
// places, texts, fonts, colours, flags and pictures as described, keyboard focus by tab
// index. Pictures that are not shown at start are read when first needed.
LoadedControls loadWindow(QWidget& window, const core::WindowDescription& description,
                          const core::TwipScale& scale, const ControlServices& services = {});

} // namespace ostrane::qt
