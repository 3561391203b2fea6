#include "outputline.h"

#include <cstdio>

namespace ostrane::server {

// Appended rather than concatenated, which trips a false -Wrestrict in GCC 12.
std::string connectionTag(unsigned long number) {
    std::string tag = "#";
    tag.append(std::to_string(number));
    return tag;
}

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace ostrane::server
