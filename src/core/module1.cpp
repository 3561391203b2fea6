#include "core/module1.h"

namespace ostrane::core {

std::string_view cutAtFirstNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

namespace Module1 {

std::string ChooseSongFolder(FolderPicker& picker, WindowHandle owner, std::string_view prompt) {
    // A platform may hand back a fixed-size buffer padded with NULs.
    return std::string(cutAtFirstNul(picker.pick(owner, prompt)));
}

} // namespace Module1

} // namespace ostrane::core
