#include "core/songtags.h"
#include "support/songheader.h"

#include <gtest/gtest.h>

namespace ostrane::core {

void PrintTo(const SongTags& tags, std::ostream* out) {
    *out << '"' << songTooltip(tags) << "\" dumper \"" << tags.dumper << "\" fade "
         << tags.fadeMilliseconds.value_or(0);
}

namespace {

std::string bytes(std::uint32_t value, std::size_t size) {
    std::string out;
    for (std::size_t i = 0; i < size; ++i)
        out += static_cast<char>(value >> (8 * i));
    return out;
}
// Extended chunk items: a text padded to four bytes, a number after its header, an inline value.
std::string text(char id, std::string_view value) {
    std::string padded(value);
    padded.resize((value.size() + 3) & ~std::size_t{3}, '\0');
    return std::string{id, 1} + bytes(static_cast<std::uint32_t>(value.size()), 2) + padded;
}
std::string number(char id, std::uint32_t value) {
    return std::string{id, 4, 4, 0} + bytes(value, 4);
}
std::string inlined(char id, std::uint16_t value) {
    return std::string{id, 0} + bytes(value, 2);
}
std::string chunk(const std::string& items, std::size_t declared = std::string::npos) {
    return "xid6" + bytes(static_cast<std::uint32_t>(std::min(declared, items.size())), 4) + items;
}

// Title, game and dumper, then `fields` at their offsets.
using Fields = std::initializer_list<std::pair<std::size_t, std::string_view>>;
std::string header(Fields fields = {}) {
    testing::SongHeader song;
    song.title("Song").put(0x4E, "Game").put(0x6E, "Dumper");
    for (const auto& [offset, text] : fields)
        song.put(offset, text);
    return song.bytes;
}
SongTags tags(std::string title, std::string artist, std::optional<std::uint32_t> length = {},
              std::optional<std::uint32_t> fade = {}, std::string game = "Game") {
    return {std::move(title), std::move(game), std::move(artist), "Dumper", "", length, fade};
}

TEST(SongTags, HeadersOfBothFormsAndTheExtendedChunk) {
    const std::string longTitle(40, 'T');
    const struct {
        const char* what;
        std::string header, extended;
        std::optional<SongTags> expected;
    } cases[] = {
        {"text form",
         header({{0x9E, "12/25/1999"}, {0xA9, "180"}, {0xAC, "10000"}, {0xB1, "Artist"}}), "",
         tags("Song", "Artist", 180, 10000)},
        {"binary form",
         header(
             {{0x9E, "\x19\x0c\xcf\x07"}, {0xA9, "\xc8"}, {0xAC, "\x40\x1f"}, {0xB0, "Composer"}}),
         "", tags("Song", "Composer", 200, 8000)},
        {"binary form told by the artist alone", header({{0xB0, "Zed"}}), "", tags("Song", "Zed")},
        {"flagged as untagged", header({{0x23, "\x1b"}}), "", SongTags{}},
        {"shorter than the header", header().substr(0, 0xFF), "", std::nullopt},
        {"bad signature", header({{0, "SNES-SPC701"}}), "", std::nullopt},
        {"extended chunk replaces texts and times", header({{0xA9, "999"}}),
         chunk(text(1, longTitle) + text(3, "Long Artist") + number(0x30, 64000 * 61) +
               number(0x33, 64 * 5000) + inlined(0x7F, 9)),
         tags(longTitle, "Long Artist", 61, 5000)},
        {"loops counted, a negative end shortens", header(),
         chunk(number(0x30, 64000 * 10) + number(0x31, 64000 * 20) + inlined(0x35, 3) +
               number(0x32, static_cast<std::uint32_t>(-64000 * 5))),
         tags("Song", "", 65)},
        {"the walk stops at a sub-chunk longer than the file", header(),
         "xid6" + bytes(4000, 4) + text(1, "Kept") + std::string{2, 1, '\xc8', 0} + "short",
         tags("Kept", "")},
        {"and at the declared size", header(), chunk(text(1, "Kept") + text(2, "Cut"), 8),
         tags("Kept", "")},
        {"not an extended chunk", header(), "xid7" + bytes(8, 4) + text(1, "No"), tags("Song", "")},
        {"fields cut at their NUL and trimmed",
         header({{0x2E, std::string_view("  Abc \0garbage", 14)}}), "", tags("Abc", "")},
        {"valid UTF-8, Latin-1, Shift-JIS and controls",
         header({{0x2E, "Caf\xc3\xa9"}, {0x4E, "Caf\xe9"}, {0xB1, "\x83^\x83\x43 X\x01"}}), "",
         tags("Café", "\uFFFD^\uFFFDC X\uFFFD", {}, {}, "Café")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseSongTags(c.header, c.extended), c.expected) << c.what;
}

TEST(SongTags, TooltipLinesOnlyForWhatIsPresent) {
    EXPECT_EQ(songTooltip({}), "");
    EXPECT_EQ(songTooltip({"T", "G", "A", "D", "C", 5, 1}), "T\nG\nA\n0:05");
    EXPECT_EQ(songTooltip({"", "G", "", "", "", 60, {}}), "G\n1:00");
    EXPECT_EQ(songTooltip({"", "", "A", "", "", 3599, {}}), "A\n59:59");
    EXPECT_EQ(songTooltip({"", "", "", "D", "C", 3600, 9}), "60:00");
}

} // namespace
} // namespace ostrane::core
