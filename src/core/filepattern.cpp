#include "core/filepattern.h"

#include "core/utf8.h"

#include <algorithm>

namespace ostrane::core {

namespace {

char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Compared from the end, where names differ first.
bool endsWithLetters(std::string_view name, std::string_view ending) {
    if (name.size() < ending.size())
        return false;
    const char* n = name.data() + name.size();
    for (auto e = ending.rbegin(); e != ending.rend(); ++e)
        if (foldAscii(*--n) != foldAscii(*e))
            return false;
    return true;
}

// "*" and "?" over UTF-8, "?" taking one whole character.
bool wildcardMatches(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            ++n;
            while (n < name.size() && isContinuationByte(name[n]))
                ++n;
        } else if (p < pattern.size() && foldAscii(pattern[p]) == foldAscii(name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

FilePattern::FilePattern(std::string_view patterns) {
    while (!patterns.empty()) {
        const auto end = patterns.find(';');
        const std::string_view text = patterns.substr(0, end);
        if (!text.empty()) {
            const bool isSuffix =
                text.starts_with('*') && text.find_first_of("*?", 1) == std::string_view::npos;
            wildcards_.push_back({std::string(isSuffix ? text.substr(1) : text), isSuffix});
            if (isSuffix && text.size() == 1)
                endingLetters_.fill(true); // "*" ends every name
            else if (isSuffix)
                endingLetters_[static_cast<unsigned char>(foldAscii(text.back()))] = true;
        }
        patterns = end == std::string_view::npos ? std::string_view() : patterns.substr(end + 1);
    }
}

bool FilePattern::matches(std::string_view name) const {
    const bool mayEndLikeASuffix =
        name.empty() || endingLetters_[static_cast<unsigned char>(foldAscii(name.back()))];
    return std::any_of(wildcards_.begin(), wildcards_.end(), [&](const Wildcard& wildcard) {
        if (wildcard.isSuffix)
            return mayEndLikeASuffix && endsWithLetters(name, wildcard.text);
        return wildcardMatches(wildcard.text, name);
    });
}

} // namespace ostrane::core
