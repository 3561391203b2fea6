#include "outputline.h"

#include <cstdint>
#include <cstdio>
#include <optional>

namespace ostrane::server {

namespace {

struct CodePoint {
    char32_t value;
    std::size_t bytes;
};

// The well-formed UTF-8 sequence at the start of `text`: no overlong forms, no surrogates,
// nothing beyond U+10FFFF.
std::optional<CodePoint> decodeUtf8(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        return CodePoint{lead, 1};
    } else if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2, value = lead & 0x1f, least = 0x80;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3, value = lead & 0x0f, least = 0x800;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() < length) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xc0) != 0x80) {
            return std::nullopt;
        }
        value = (value << 6) | (byte(i) & 0x3f);
    }
    if (value < least || value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff)) {
        return std::nullopt;
    }
    return CodePoint{value, length};
}

// C1 controls, the line and paragraph separators and the format characters: invisible, or
// able to reorder or break what a terminal shows.
bool isHidden(char32_t c) {
    struct Range {
        char32_t first;
        char32_t last;
    };
    static constexpr Range hidden[] = {
        {0x80, 0x9f},       {0xad, 0xad},       {0x600, 0x605},     {0x61c, 0x61c},
        {0x6dd, 0x6dd},     {0x70f, 0x70f},     {0x890, 0x891},     {0x8e2, 0x8e2},
        {0x180e, 0x180e},   {0x200b, 0x200f},   {0x2028, 0x202e},   {0x2060, 0x2064},
        {0x2066, 0x206f},   {0xfeff, 0xfeff},   {0xfff9, 0xfffb},   {0x110bd, 0x110bd},
        {0x110cd, 0x110cd}, {0x13430, 0x1343f}, {0x1bca0, 0x1bca3}, {0x1d173, 0x1d17a},
        {0xe0001, 0xe0001}, {0xe0020, 0xe007f},
    };
    for (const Range& range : hidden) {
        if (c >= range.first && c <= range.last) {
            return true;
        }
    }
    return false;
}

std::string escape(std::string_view text, bool escapeBar) {
    std::string out;
    out.reserve(text.size());
    char buffer[16];
    std::size_t at = 0;
    while (at < text.size()) {
        const auto point = decodeUtf8(text.substr(at));
        if (!point || point->value < 0x20 || point->value == 0x7f) {
            std::snprintf(buffer, sizeof buffer, "\\x%02x", static_cast<unsigned char>(text[at]));
            out += buffer;
            ++at;
            continue;
        }
        if (point->value == '\\' || (escapeBar && point->value == '|')) {
            out += '\\';
            out += static_cast<char>(point->value);
        } else if (isHidden(point->value)) {
            std::snprintf(buffer, sizeof buffer, "\\u{%x}", static_cast<unsigned>(point->value));
            out += buffer;
        } else {
            out.append(text.substr(at, point->bytes));
        }
        at += point->bytes;
    }
    return out;
}

} // namespace

// Appended rather than concatenated, which trips a false -Wrestrict in GCC 12.
std::string connectionTag(unsigned long number) {
    std::string tag = "#";
    tag.append(std::to_string(number));
    return tag;
}

std::string printable(std::string_view text) {
    return escape(text, false);
}

std::string printableService(std::string_view service) {
    return escape(service, true);
}

std::string printableConversation(std::string_view service, std::string_view topic) {
    std::string line = printableService(service);
    line.push_back('|');
    line.append(printable(topic));
    return line;
}

} // namespace ostrane::server
