#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane::core {

// Names kept side by side in one buffer, so that a list of a million costs a handful of
// allocations rather than one for each name.
class NameList {
public:
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;

        Iterator() = default;
        Iterator(const NameList* list, std::size_t at) : list_(list), at_(at) {}
        std::string_view operator*() const { return (*list_)[at_]; }
        Iterator& operator++() {
            ++at_;
            return *this;
        }
        Iterator operator++(int) { return Iterator(list_, at_++); }
        bool operator==(const Iterator& other) const { return at_ == other.at_; }

    private:
        const NameList* list_ = nullptr;
        std::size_t at_ = 0;
    };

    void append(std::string_view name);
    // Puts the names in the order of `order`, which holds each index once, in place; `order`
    // is used up doing so.
    void arrange(std::vector<std::uint32_t>& order);
    // Empties the list but keeps its memory, for the next list to fill.
    void clear() {
        bytes_.clear();
        spans_.clear();
    }

    std::size_t size() const { return spans_.size(); }
    bool empty() const { return spans_.empty(); }
    // The bytes of all names together.
    std::size_t bytes() const { return bytes_.size(); }
    std::string_view operator[](std::size_t index) const {
        const Span span = spans_[index];
        return std::string_view(bytes_).substr(span.start, span.length);
    }
    Iterator begin() const { return Iterator(this, 0); }
    Iterator end() const { return Iterator(this, size()); }

private:
    // Four bytes each: a folder's names come nowhere near 4 GiB.
    struct Span {
        std::uint32_t start;
        std::uint32_t length;
    };
    std::string bytes_;
    std::vector<Span> spans_;
};

} // namespace ostrane::core
