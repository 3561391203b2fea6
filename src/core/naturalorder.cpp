#include "core/naturalorder.h"

#include "core/casefolding.h"
#include "core/utf8.h"

#include <algorithm>
#include <cstdint>

namespace ostrane::core {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Names and their order keys, the keys side by side in one buffer so that a long list
// costs one allocation for all of them.
class SortableNames {
public:
    explicit SortableNames(std::vector<std::string>& names) : names_(names) {
        entries_.reserve(names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            const auto start = static_cast<std::uint32_t>(keys_.size());
            appendNaturalOrderKey(keys_, names[i]);
            entries_.push_back({start, static_cast<std::uint32_t>(keys_.size()) - start, i});
        }
    }

    void sort() {
        std::sort(entries_.begin(), entries_.end(), [this](const Entry& a, const Entry& b) {
            if (const int order = key(a).compare(key(b)); order != 0)
                return order < 0;
            return names_[a.name] < names_[b.name];
        });
        std::vector<std::string> sorted;
        sorted.reserve(names_.size());
        for (const Entry& entry : entries_)
            sorted.push_back(std::move(names_[entry.name]));
        names_ = std::move(sorted);
    }

private:
    struct Entry {
        std::uint32_t keyStart;
        std::uint32_t keyLength;
        std::size_t name;
    };
    std::string_view key(const Entry& entry) const {
        return std::string_view(keys_).substr(entry.keyStart, entry.keyLength);
    }

    std::vector<std::string>& names_;
    std::string keys_;
    std::vector<Entry> entries_;
};

} // namespace

std::string naturalOrderKey(std::string_view name) {
    std::string key;
    appendNaturalOrderKey(key, name);
    return key;
}

void appendNaturalOrderKey(std::string& key, std::string_view name) {
    // A run of digits becomes "0", its length without leading zeros in two bytes, then
    // those digits: a shorter number sorts first, numbers of one length by their digits.
    // Keys are UTF-8, whose bytes sort as the characters do.
    std::size_t i = 0;
    while (i < name.size()) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (isDigit(name[i])) {
            while (i < name.size() && name[i] == '0')
                ++i;
            const std::size_t digits = i;
            while (i < name.size() && isDigit(name[i]))
                ++i;
            const std::size_t length = std::min<std::size_t>(i - digits, 0xFFFF);
            key.push_back('0');
            key.push_back(static_cast<char>(length >> 8));
            key.push_back(static_cast<char>(length & 0xFF));
            key.append(name.substr(digits, length));
        } else if (c < 0x80) {
            key.push_back(static_cast<char>(foldCase(c)));
            ++i;
        } else if (const auto decoded = decodeUtf8(name.substr(i))) {
            appendUtf8(key, foldCase(decoded->first));
            i += decoded->second;
        } else {
            key.push_back(name[i++]); // not UTF-8: the byte as it is
        }
    }
}

void sortNaturally(std::vector<std::string>& names) {
    SortableNames(names).sort();
}

} // namespace ostrane::core
