#pragma once

// Reads the peers' output lines back, as a program reading them would: the inverse of the
// escaping in outputline.h, written from its documented format.

#include <optional>
#include <string>
#include <string_view>

namespace ostrane::testing {

struct DecodedConversation {
    std::string service;
    std::string topic;

    bool operator==(const DecodedConversation&) const = default;
};

// One escaped text up to (not including) an unescaped `stop` character, from `at` on; `at`
// is left on the stop character or at the end. Nothing for a malformed escape.
inline std::optional<std::string> decodeEscaped(std::string_view line, std::size_t& at,
                                                std::optional<char> stop) {
    auto hexValue = [](char c) -> int {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        return -1;
    };
    std::string out;
    while (at < line.size()) {
        const char c = line[at];
        if (stop && c == *stop) {
            return out;
        }
        if (c != '\\') {
            out.push_back(c);
            ++at;
            continue;
        }
        if (at + 1 >= line.size()) {
            return std::nullopt;
        }
        const char kind = line[at + 1];
        if (kind == '\\' || kind == '|') {
            out.push_back(kind);
            at += 2;
        } else if (kind == 'x') {
            if (at + 3 >= line.size()) {
                return std::nullopt;
            }
            const int high = hexValue(line[at + 2]);
            const int low = hexValue(line[at + 3]);
            if (high < 0 || low < 0) {
                return std::nullopt;
            }
            out.push_back(static_cast<char>(high * 16 + low));
            at += 4;
        } else if (kind == 'u' && at + 2 < line.size() && line[at + 2] == '{') {
            std::size_t end = line.find('}', at + 3);
            if (end == std::string_view::npos || end == at + 3 || end - (at + 3) > 6) {
                return std::nullopt;
            }
            char32_t value = 0;
            for (std::size_t i = at + 3; i < end; ++i) {
                const int digit = hexValue(line[i]);
                if (digit < 0) {
                    return std::nullopt;
                }
                value = value * 16 + static_cast<char32_t>(digit);
            }
            if (value < 0x80) {
                return std::nullopt;
            } else if (value < 0x800) {
                out.push_back(static_cast<char>(0xc0 | (value >> 6)));
            } else if (value < 0x10000) {
                out.push_back(static_cast<char>(0xe0 | (value >> 12)));
                out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3f)));
            } else {
                out.push_back(static_cast<char>(0xf0 | (value >> 18)));
                out.push_back(static_cast<char>(0x80 | ((value >> 12) & 0x3f)));
                out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3f)));
            }
            out.push_back(static_cast<char>(0x80 | (value & 0x3f)));
            at = end + 1;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

// "SERVICE|TOPIC" as the peers write it; nothing when the text is not of that form.
inline std::optional<DecodedConversation> decodeConversation(std::string_view text) {
    std::size_t at = 0;
    auto service = decodeEscaped(text, at, '|');
    if (!service || at >= text.size()) {
        return std::nullopt;
    }
    ++at;
    auto topic = decodeEscaped(text, at, std::nullopt);
    if (!topic) {
        return std::nullopt;
    }
    return DecodedConversation{std::move(*service), std::move(*topic)};
}

} // namespace ostrane::testing
