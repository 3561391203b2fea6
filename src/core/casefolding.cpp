#include "core/casefolding.h"

#include <algorithm>
#include <iterator>

namespace ostrane::core {

namespace {

struct Folding {
    char32_t from;
    char32_t to;
};

constexpr Folding foldings[] = {
#include "core/casefoldingtable.inc"
};

static_assert(std::is_sorted(std::begin(foldings), std::end(foldings),
                             [](const Folding& a, const Folding& b) { return a.from < b.from; }));

} // namespace

char32_t foldCase(char32_t code) {
    if (code < 0x80)
        return code >= 'A' && code <= 'Z' ? code - 'A' + 'a' : code;
    const auto found = std::lower_bound(std::begin(foldings), std::end(foldings), code,
                                        [](const Folding& f, char32_t c) { return f.from < c; });
    return found != std::end(foldings) && found->from == code ? found->to : code;
}

} // namespace ostrane::core
