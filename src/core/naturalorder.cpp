#include "core/naturalorder.h"

#include "core/casefolding.h"
#include "core/utf8.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

namespace ostrane::core {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

// The names' order keys side by side in one buffer. Keys of one folder tend to share a long
// start ("track 0" and its length bytes), so each name is first ordered by the eight bytes
// after the part all keys share, taken as one integer, and only names whose eight bytes
// agree are compared in full.
void NaturalSort::sort(NameList& names) {
    buildKeys(names);
    sortByHead();
    auto headsDiffer = [](const Keyed& a, const Keyed& b) { return a.head != b.head; };
    for (auto run = keyed_.begin(); run != keyed_.end();) {
        const auto runEnd = std::adjacent_find(run, keyed_.end(), headsDiffer);
        const auto next = runEnd == keyed_.end() ? runEnd : runEnd + 1;
        if (next - run > 1)
            std::sort(run, next, [&](const Keyed& a, const Keyed& b) {
                if (const int order = key(a.name).compare(key(b.name)); order != 0)
                    return order < 0;
                return names[a.name] < names[b.name];
            });
        run = next;
    }
    order_.clear();
    for (const Keyed& keyed : keyed_)
        order_.push_back(keyed.name);
    names.arrange(order_);
}

void NaturalSort::buildKeys(const NameList& names) {
    keys_.clear();
    keyStarts_.clear();
    keyStarts_.reserve(names.size() + 1);
    // Most names gain only a length before each number.
    keys_.reserve(names.bytes() + 4 * names.size());
    for (const std::string_view name : names) {
        keyStarts_.push_back(static_cast<std::uint32_t>(keys_.size()));
        appendNaturalOrderKey(keys_, name);
    }
    keyStarts_.push_back(static_cast<std::uint32_t>(keys_.size()));
    shared_ = sharedLength();
    keyed_.clear();
    keyed_.reserve(names.size());
    for (std::uint32_t name = 0; name < names.size(); ++name)
        keyed_.push_back({head(key(name)), name});
}

std::string_view NaturalSort::key(std::uint32_t name) const {
    const std::uint32_t start = keyStarts_[name] + static_cast<std::uint32_t>(shared_);
    return std::string_view(keys_).substr(start, keyStarts_[name + 1] - start);
}

std::size_t NaturalSort::sharedLength() const {
    if (keyStarts_.size() < 2)
        return 0;
    const std::string_view first = std::string_view(keys_).substr(0, keyStarts_[1]);
    std::size_t shared = first.size();
    for (std::size_t name = 1; name + 1 < keyStarts_.size(); ++name) {
        const std::string_view other = std::string_view(keys_).substr(
            keyStarts_[name], keyStarts_[name + 1] - keyStarts_[name]);
        shared = std::min(shared, other.size());
        shared = static_cast<std::size_t>(
            std::mismatch(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(shared),
                          other.begin())
                .first -
            first.begin());
    }
    return shared;
}

// The first eight bytes, big-endian, so that integers order as the bytes do. A shorter key is
// padded with zeros: it then never orders after a key it is the start of, and where the
// padding meets real zeros the heads tie and the full comparison decides.
std::uint64_t NaturalSort::head(std::string_view key) {
    unsigned char bytes[8] = {};
    std::memcpy(bytes, key.data(), std::min<std::size_t>(key.size(), 8));
    std::uint64_t head = 0;
    for (const unsigned char byte : bytes)
        head = (head << 8) | byte;
    return head;
}

// A stable radix sort, lowest byte first; a byte that every head shares takes no pass.
void NaturalSort::sortByHead() {
    std::array<std::array<std::size_t, 256>, 8> counts{};
    for (const Keyed& keyed : keyed_)
        for (std::size_t byte = 0; byte < 8; ++byte)
            ++counts[byte][(keyed.head >> (8 * byte)) & 0xFF];
    sorted_.resize(keyed_.size());
    for (std::size_t byte = 0; byte < 8; ++byte) {
        std::array<std::size_t, 256>& places = counts[byte];
        if (std::find(places.begin(), places.end(), keyed_.size()) != places.end())
            continue;
        const std::size_t shift = 8 * byte;
        std::size_t before = 0;
        for (std::size_t& place : places)
            before += std::exchange(place, before);
        for (const Keyed& keyed : keyed_)
            sorted_[places[(keyed.head >> shift) & 0xFF]++] = keyed;
        keyed_.swap(sorted_);
    }
}

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
            const std::size_t start = i;
            while (i < name.size() && static_cast<unsigned char>(name[i]) < 0x80 &&
                   !isDigit(name[i]))
                ++i;
            const std::size_t at = key.size();
            key.append(name.substr(start, i - start));
            std::transform(key.begin() + static_cast<std::ptrdiff_t>(at), key.end(),
                           key.begin() + static_cast<std::ptrdiff_t>(at), foldAsciiCase);
        } else if (const auto decoded = decodeUtf8(name.substr(i))) {
            appendUtf8(key, foldCase(decoded->first));
            i += decoded->second;
        } else {
            key.push_back(name[i++]); // not UTF-8: the byte as it is
        }
    }
}

void sortNaturally(NameList& names) {
    NaturalSort().sort(names);
}

} // namespace ostrane::core
