#include "core/displayname.h"

#include "core/utf8.h"

namespace ostrane::core {

namespace {

constexpr char32_t Replacement = 0xFFFD;

bool isControl(char32_t code) {
    return code < 0x20 || code == 0x7F;
}

// C1 controls have no escape a reader knows; the separators would break the line as a
// newline does.
bool isInvisible(char32_t code) {
    return (code >= 0x80 && code <= 0x9F) || code == 0x2028 || code == 0x2029;
}

void appendEscape(std::string& shown, char32_t control) {
    constexpr char Hex[] = "0123456789abcdef";
    shown += "\\x";
    shown.push_back(Hex[control >> 4]);
    shown.push_back(Hex[control & 0xF]);
}

} // namespace

std::string displayName(std::string_view bytes) {
    std::string shown;
    shown.reserve(bytes.size());
    while (!bytes.empty()) {
        const auto decoded = decodeUtf8(bytes);
        // One replacement per byte that does not start a well-formed character, so that
        // names differing in their bad bytes also differ in length on screen.
        if (!decoded)
            appendUtf8(shown, Replacement);
        else if (isControl(decoded->first))
            appendEscape(shown, decoded->first);
        else
            appendUtf8(shown, isInvisible(decoded->first) ? Replacement : decoded->first);
        bytes.remove_prefix(decoded ? decoded->second : 1);
    }
    return shown;
}

} // namespace ostrane::core
