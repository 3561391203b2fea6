#include "core/songtags.h"

#include <gtest/gtest.h>

namespace ostrane::core {
namespace {} // namespace

void PrintTo(const SongTags& tags, std::ostream* out) {
    *out << '"' << songTooltip(tags) << "\" dumper \"" << tags.dumper << "\" fade "
         << tags.fadeMilliseconds.value_or(0);
}

namespace {

// A song's header: the signature, the tags flag, then whatever a case writes.
struct Header {
    std::string bytes = std::string(SongHeaderBytes, '\0');
    Header() { put(0, "SNES-SPC700 Sound File Data v0.30\x1a\x1a\x1a\x1e"); }
    Header& put(std::size_t offset, std::string_view text) {
        bytes.replace(offset, text.size(), text);
        return *this;
    }
    // The fields both forms share.
    Header& common() { return put(0x2E, "Song").put(0x4E, "Game").put(0x6E, "Dumper"); }
};

std::string littleEndian(std::uint32_t value, std::size_t size) {
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

// An extended chunk of sub-chunks, each a header and its value padded to four bytes.
std::string subChunk(char id, std::string_view text) {
    std::string padded(text);
    padded.resize((text.size() + 3) & ~std::size_t{3}, '\0');
    return std::string{id, 1} + littleEndian(static_cast<std::uint32_t>(text.size()), 2) + padded;
}
std::string number(char id, std::uint32_t value) {
    return std::string{id, 4, 4, 0} + littleEndian(value, 4);
}
std::string inlined(char id, std::uint16_t value) {
    return std::string{id, 0} + littleEndian(value, 2);
}
std::string chunk(const std::string& body, std::uint32_t declared) {
    return "xid6" + littleEndian(declared, 4) + body;
}
std::string chunk(const std::string& body) {
    return chunk(body, static_cast<std::uint32_t>(body.size()));
}

SongTags tags(std::string title, std::string game, std::string artist,
              std::optional<std::uint32_t> length = {}, std::optional<std::uint32_t> fade = {}) {
    return {std::move(title), std::move(game), std::move(artist), "Dumper", "", length, fade};
}

struct Case {
    const char* what;
    std::string header, extended;
    std::optional<SongTags> expected;
};

TEST(SongTags, HeadersOfBothFormsAndTheExtendedChunk) {
    const std::string longTitle(40, 'T');
    const Case cases[] = {
        {"text form",
         Header()
             .common()
             .put(0x9E, "12/25/1999")
             .put(0xA9, "180")
             .put(0xAC, "10000")
             .put(0xB1, "Artist")
             .bytes,
         "", tags("Song", "Game", "Artist", 180, 10000)},
        {"binary form",
         Header()
             .common()
             .put(0x9E, "\x19\x0c\xcf\x07")
             .put(0xA9, littleEndian(200, 3))
             .put(0xAC, littleEndian(8000, 4))
             .put(0xB0, "Composer")
             .bytes,
         "", tags("Song", "Game", "Composer", 200, 8000)},
        {"binary form told by the artist alone", Header().common().put(0xB0, "Zed").bytes, "",
         tags("Song", "Game", "Zed")},
        {"flagged as untagged", Header().common().put(0x23, "\x1b").bytes, "", SongTags{}},
        {"shorter than the header", Header().common().bytes.substr(0, 0xFF), "", std::nullopt},
        {"bad signature", Header().common().put(0, "SNES-SPC701").bytes, "", std::nullopt},
        {"extended chunk replaces texts and gives exact times",
         Header().common().put(0xA9, "999").bytes,
         chunk(subChunk(1, longTitle) + subChunk(3, "Long Artist") + number(0x30, 64000 * 61) +
               number(0x33, 64 * 5000) + inlined(0x7F, 9)),
         tags(longTitle, "Game", "Long Artist", 61, 5000)},
        {"loops counted, a negative end shortens", Header().common().bytes,
         chunk(number(0x30, 64000 * 10) + number(0x31, 64000 * 20) + inlined(0x35, 3) +
               number(0x32, static_cast<std::uint32_t>(-64000 * 5))),
         tags("Song", "Game", "", 65)},
        {"a chunk longer than its file stops at the sub-chunk that does not fit",
         Header().common().bytes,
         chunk(subChunk(1, "Kept") + std::string{2, 1, '\xc8', 0} + "short", 4000),
         tags("Kept", "Game", "")},
        {"a declared size shorter than the sub-chunks cuts the walk", Header().common().bytes,
         chunk(subChunk(1, "Kept") + subChunk(2, "Cut"), 8), tags("Kept", "Game", "")},
        {"not an extended chunk", Header().common().bytes,
         "xid7" + littleEndian(8, 4) + subChunk(1, "No"), tags("Song", "Game", "")},
        {"fields cut at their NUL and trimmed",
         Header().common().put(0x2E, "  Abc \0garbage").put(0xB1, "Art").bytes, "",
         tags("Abc", "Game", "Art")},
        {"valid UTF-8, Latin-1, Shift-JIS and controls",
         Header()
             .common()
             .put(0x2E, "Caf\xc3\xa9")
             .put(0x4E, "Caf\xe9")
             .put(0xB1, "\x83^\x83\x43 X\x01")
             .bytes,
         "", tags("Café", "Café", "\uFFFD^\uFFFDC X\uFFFD")},
    };
    for (const Case& c : cases)
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
