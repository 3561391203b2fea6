#include "core/displayname.h"

#include "core/utf8.h"

namespace ostrane::app {

namespace {

constexpr char32_t Replacement = 0xFFFD;
constexpr char32_t ControlPictures = 0x2400;
constexpr char32_t DeletePicture = 0x2421;

char32_t visible(char32_t code) {
    if (code < 0x20)
        return ControlPictures + code;
    if (code == 0x7F)
        return DeletePicture;
    // C1 controls have no pictures; the separators would break the line as a newline does.
    if ((code >= 0x80 && code <= 0x9F) || code == 0x2028 || code == 0x2029)
        return Replacement;
    return code;
}

} // namespace

std::string displayName(std::string_view bytes) {
    std::string shown;
    shown.reserve(bytes.size());
    while (!bytes.empty()) {
        const auto decoded = decodeUtf8(bytes);
        // One replacement per byte that does not start a well-formed character, so that
        // names differing in their bad bytes also differ in length on screen.
        const char32_t code = decoded ? visible(decoded->first) : Replacement;
        appendUtf8(shown, code);
        bytes.remove_prefix(decoded ? decoded->second : 1);
    }
    return shown;
}

} // namespace ostrane::app
