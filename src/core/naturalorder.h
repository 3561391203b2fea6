#pragma once

#include "core/namelist.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane::core {

// The key that orders names naturally and without regard to case: "Track 2" before
// "track 10". Keys compare as plain byte strings; bytes that are not UTF-8 stay as they are.
std::string naturalOrderKey(std::string_view name);
void appendNaturalOrderKey(std::string& key, std::string_view name);

// Sorts names by their natural order keys; names with the same key by their own bytes, so
// that the order never depends on the order they came in. Keeps its working memory from one
// sort to the next, so that sorting a folder again touches no fresh pages.
class NaturalSort {
public:
    void sort(NameList& names);

private:
    struct Keyed {
        std::uint64_t head;
        std::uint32_t name;
    };

    void buildKeys(const NameList& names);
    // The key of a name after the part all keys share.
    std::string_view key(std::uint32_t name) const;
    std::size_t sharedLength() const;
    static std::uint64_t head(std::string_view key);
    void sortByHead();

    std::string keys_;
    std::vector<std::uint32_t> keyStarts_;
    std::vector<Keyed> keyed_;
    std::vector<Keyed> sorted_;
    std::vector<std::uint32_t> order_;
    std::size_t shared_ = 0;
};

void sortNaturally(NameList& names);

} // namespace ostrane::core
