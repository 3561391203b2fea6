#include "core/namelist.h"

namespace ostrane::core {

void NameList::append(std::string_view name) {
    spans_.push_back(
        {static_cast<std::uint32_t>(bytes_.size()), static_cast<std::uint32_t>(name.size())});
    bytes_.append(name);
}

void NameList::arrange(std::vector<std::uint32_t>& order) {
    // One cycle of the permutation at a time; a place filled is marked in `order` so that
    // no second copy of the spans is needed.
    constexpr std::uint32_t Placed = UINT32_MAX;
    for (std::size_t start = 0; start < order.size(); ++start) {
        if (order[start] == Placed)
            continue;
        const Span first = spans_[start];
        std::size_t place = start;
        while (order[place] != start) {
            const std::size_t from = order[place];
            spans_[place] = spans_[from];
            order[place] = Placed;
            place = from;
        }
        spans_[place] = first;
        order[place] = Placed;
    }
}

} // namespace ostrane::core
