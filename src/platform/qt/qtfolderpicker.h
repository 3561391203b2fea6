#pragma once

#include "core/folderpicker.h"

#include <QString>
#include <optional>

namespace ostrane::platform {

// The folder picker where the platform has no dialog of its own to call: Qt's own folder
// dialog, with the prompt shown above the folder view.
class QtFolderPicker : public core::FolderPicker {
public:
    std::string pick(core::WindowHandle owner, std::string_view prompt) override;
};

// The file system's name for a folder path as Qt shows it. Qt shows a name that is not
// UTF-8 with replacement characters and cannot open it by that text; such a part is matched
// to the entry of its parent folder that Qt shows the same way. Nothing when no folder
// matches.
std::optional<std::string> fileSystemPathOf(const QString& shown);

} // namespace ostrane::platform
