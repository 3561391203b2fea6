#include "core/namelist.h"

namespace ostrane::core {

void NameList::append(std::string_view name) {
    spans_.push_back(
        {static_cast<std::uint32_t>(bytes_.size()), static_cast<std::uint32_t>(name.size())});
    bytes_.append(name);
}

void NameList::arrange(const std::vector<std::uint32_t>& order) {
    std::vector<Span> arranged;
    arranged.reserve(order.size());
    for (const std::uint32_t index : order)
        arranged.push_back(spans_[index]);
    spans_ = std::move(arranged);
}

} // namespace ostrane::core
