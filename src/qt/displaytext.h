#pragma once

#include "core/displayname.h"

#include <QString>
#include <string_view>

namespace ostrane::qt {

// What the screen shows for a name or path held as the file system's bytes.
inline QString displayText(std::string_view bytes) {
    const std::string shown = core::displayName(bytes);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

} // namespace ostrane::qt
