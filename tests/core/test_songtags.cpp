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

// The shared fields: title, game and dumper.
testing::SongHeader header() {
    return std::move(testing::SongHeader().title("Song").put(0x4E, "Game").put(0x6E, "Dumper"));
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
         header()
             .put(0x9E, "12/25/1999")
             .put(0xA9, "180")
             .put(0xAC, "10000")
             .put(0xB1, "Artist")
             .bytes,
         "", tags("Song", "Artist", 180, 10000)},
        {"binary form",
         header()
             .put(0x9E, "\x19\x0c\xcf\x07")
             .put(0xA9, bytes(200, 3))
             .put(0xAC, bytes(8000, 4))
             .put(0xB0, "Composer")
             .bytes,
         "", tags("Song", "Composer", 200, 8000)},
        {"binary form told by the artist alone", header().put(0xB0, "Zed").bytes, "",
         tags("Song", "Zed")},
        {"flagged as untagged", header().put(0x23, "\x1b").bytes, "", SongTags{}},
        {"shorter than the header", header().bytes.substr(0, 0xFF), "", std::nullopt},
        {"bad signature", header().put(0, "SNES-SPC701").bytes, "", std::nullopt},
        {"extended chunk replaces texts and times", header().put(0xA9, "999").bytes,
         chunk(text(1, longTitle) + text(3, "Long Artist") + number(0x30, 64000 * 61) +
               number(0x33, 64 * 5000) + inlined(0x7F, 9)),
         tags(longTitle, "Long Artist", 61, 5000)},
        {"loops counted, a negative end shortens", header().bytes,
         chunk(number(0x30, 64000 * 10) + number(0x31, 64000 * 20) + inlined(0x35, 3) +
               number(0x32, static_cast<std::uint32_t>(-64000 * 5))),
         tags("Song", "", 65)},
        {"the walk stops at a sub-chunk longer than the file", header().bytes,
         "xid6" + bytes(4000, 4) + text(1, "Kept") + std::string{2, 1, '\xc8', 0} + "short",
         tags("Kept", "")},
        {"and at the declared size", header().bytes, chunk(text(1, "Kept") + text(2, "Cut"), 8),
         tags("Kept", "")},
        {"not an extended chunk", header().bytes, "xid7" + bytes(8, 4) + text(1, "No"),
         tags("Song", "")},
        {"fields cut at their NUL and trimmed",
         header().title(std::string_view("  Abc \0garbage", 14)).bytes, "", tags("Abc", "")},
        {"valid UTF-8, Latin-1, Shift-JIS and controls",
         header().title("Caf\xc3\xa9").put(0x4E, "Caf\xe9").put(0xB1, "\x83^\x83\x43 X\x01").bytes,
         "", tags("Café", "\uFFFD^\uFFFDC X\uFFFD", {}, {}, "Café")},
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
