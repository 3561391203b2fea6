#pragma once

#include "core/folderpicker.h"

namespace ostrane::platform {

// The folder picker where the platform has no dialog of its own to call: Qt's own folder
// dialog, with the prompt shown above the folder view.
class QtFolderPicker : public FolderPicker {
public:
    std::string pick(WindowHandle owner, std::string_view prompt) override;
};

} // namespace ostrane::platform
