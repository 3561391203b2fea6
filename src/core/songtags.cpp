#include "core/songtags.h"

#include "core/utf8.h"

#include <algorithm>

namespace ostrane::core {

namespace {

constexpr std::string_view Signature = "SNES-SPC700 Sound File Data";
constexpr std::size_t TagFlagOffset = 0x23;
constexpr char HasTags = 26;

// Where the header's fields lie; the forms differ from the date on.
struct Field {
    std::size_t offset, size;
};
constexpr Field Title{0x2E, 32}, Game{0x4E, 32}, Dumper{0x6E, 16}, Comments{0x7E, 32};
constexpr Field TextDate{0x9E, 11}, TextLength{0xA9, 3}, TextFade{0xAC, 5}, TextArtist{0xB1, 32};
constexpr Field BinaryLength{0xA9, 3}, BinaryFade{0xAC, 4}, BinaryArtist{0xB0, 32};

// The extended chunk's sub-chunks: an id, a type, then either the value itself (type 0) or
// the size of the value that follows, padded to four bytes.
constexpr std::string_view ExtendedId = "xid6";
constexpr std::size_t ExtendedHeaderBytes = 8, SubChunkHeaderBytes = 4;
enum SubChunkId : unsigned char {
    SongName = 0x01,
    GameName = 0x02,
    ArtistName = 0x03,
    DumperName = 0x04,
    CommentText = 0x07,
    IntroTicks = 0x30,
    LoopTicks = 0x31,
    EndTicks = 0x32,
    FadeTicks = 0x33,
    LoopTimes = 0x35,
};
constexpr unsigned char InlineValue = 0, StringValue = 1;
constexpr std::uint64_t TicksPerSecond = 64000, TicksPerMillisecond = 64;

std::string_view field(std::string_view header, Field at) {
    return header.substr(at.offset, at.size);
}

std::uint32_t littleEndian(std::string_view bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = std::min<std::size_t>(bytes.size(), 4); i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

std::optional<std::uint32_t> positive(std::uint64_t value) {
    if (value == 0 || value > UINT32_MAX)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

bool isControl(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F;
}

void appendReplacement(std::string& text) {
    if (!text.ends_with("\xEF\xBF\xBD"))
        appendUtf8(text, 0xFFFD);
}

// Text is shown as the file gives it: as UTF-8 when it is valid UTF-8, else as Latin-1 when
// it has no byte of 0x80-0x9F (controls in Latin-1, yet the lead bytes of most Shift-JIS
// characters), else as its ASCII with each run of other bytes one replacement character.
// Controls are replaced in every case, so a field stays on its line.
std::string decodeText(std::string_view raw) {
    raw = raw.substr(0, raw.find('\0'));
    while (!raw.empty() && raw.back() == ' ')
        raw.remove_suffix(1);
    while (!raw.empty() && raw.front() == ' ')
        raw.remove_prefix(1);
    bool utf8 = true;
    for (std::string_view rest = raw; utf8 && !rest.empty();) {
        const auto decoded = decodeUtf8(rest);
        utf8 = decoded.has_value();
        if (utf8)
            rest.remove_prefix(decoded->second);
    }
    const bool latin1 = std::none_of(raw.begin(), raw.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x80 && static_cast<unsigned char>(c) < 0xA0;
    });
    std::string text;
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (isControl(byte) || (byte >= 0x80 && !utf8 && !latin1))
            appendReplacement(text);
        else if (byte >= 0x80 && !utf8)
            appendUtf8(text, byte);
        else
            text.push_back(c);
    }
    return text;
}

// A number written in digits, ended by a NUL or the field's end.
std::optional<std::uint32_t> textNumber(std::string_view raw) {
    raw = raw.substr(0, raw.find('\0'));
    std::uint64_t value = 0;
    bool digits = false;
    for (const char c : raw) {
        if (c == ' ')
            continue;
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        digits = true;
    }
    return digits ? positive(value) : std::nullopt;
}

bool onlyOf(std::string_view raw, std::string_view allowed) {
    return std::all_of(raw.begin(), raw.end(), [allowed](char c) {
        return c == '\0' || allowed.find(c) != std::string_view::npos;
    });
}

// The text form writes its date, length and fade as digits; the binary form's numbers and
// the first letter of its artist, which starts where the text form's fade ends, are not.
bool isTextForm(std::string_view header) {
    constexpr std::string_view Digits = "0123456789 ";
    return onlyOf(field(header, TextDate), "0123456789/-. ") &&
           onlyOf(field(header, TextLength), Digits) && onlyOf(field(header, TextFade), Digits);
}

SongTags headerTags(std::string_view header) {
    SongTags tags;
    if (header[TagFlagOffset] != HasTags)
        return tags;
    tags.title = decodeText(field(header, Title));
    tags.game = decodeText(field(header, Game));
    tags.dumper = decodeText(field(header, Dumper));
    tags.comments = decodeText(field(header, Comments));
    if (isTextForm(header)) {
        tags.artist = decodeText(field(header, TextArtist));
        tags.lengthSeconds = textNumber(field(header, TextLength));
        tags.fadeMilliseconds = textNumber(field(header, TextFade));
    } else {
        tags.artist = decodeText(field(header, BinaryArtist));
        tags.lengthSeconds = positive(littleEndian(field(header, BinaryLength)));
        tags.fadeMilliseconds = positive(littleEndian(field(header, BinaryFade)));
    }
    return tags;
}

// The extended chunk's values replace the header's: its texts are longer and its times exact.
void applyExtendedTags(std::string_view chunk, SongTags& tags) {
    if (chunk.size() < ExtendedHeaderBytes || !chunk.starts_with(ExtendedId))
        return;
    const std::uint32_t declared = littleEndian(chunk.substr(4, 4));
    std::string_view rest = chunk.substr(ExtendedHeaderBytes, declared);
    std::optional<std::uint32_t> intro, loop, end;
    std::uint32_t loopTimes = 1;
    while (rest.size() >= SubChunkHeaderBytes) {
        const auto id = static_cast<unsigned char>(rest[0]);
        const auto type = static_cast<unsigned char>(rest[1]);
        const std::uint32_t inlineValue = littleEndian(rest.substr(2, 2));
        rest.remove_prefix(SubChunkHeaderBytes);
        std::string_view value;
        if (type != InlineValue) {
            if (inlineValue > rest.size())
                break;
            value = rest.substr(0, inlineValue);
            rest.remove_prefix(std::min<std::size_t>(rest.size(), (inlineValue + 3u) & ~3u));
        }
        const std::uint32_t number = type == InlineValue ? inlineValue : littleEndian(value);
        std::string* text = id == SongName      ? &tags.title
                            : id == GameName    ? &tags.game
                            : id == ArtistName  ? &tags.artist
                            : id == DumperName  ? &tags.dumper
                            : id == CommentText ? &tags.comments
                                                : nullptr;
        if (text && type == StringValue) {
            if (std::string decoded = decodeText(value); !decoded.empty())
                *text = std::move(decoded);
        } else if (id == IntroTicks) {
            intro = number;
        } else if (id == LoopTicks) {
            loop = number;
        } else if (id == EndTicks) {
            end = number;
        } else if (id == FadeTicks) {
            tags.fadeMilliseconds = positive(number / TicksPerMillisecond);
        } else if (id == LoopTimes) {
            loopTimes = number;
        }
    }
    if (intro) {
        // The end may be negative: it shortens the last loop.
        const std::int64_t ticks = std::int64_t{*intro} +
                                   std::int64_t{loop.value_or(0)} * loopTimes +
                                   static_cast<std::int32_t>(end.value_or(0));
        tags.lengthSeconds =
            ticks <= 0 ? std::nullopt
                       : positive((static_cast<std::uint64_t>(ticks) + TicksPerSecond / 2) /
                                  TicksPerSecond);
    }
}

bool isSongHeader(std::string_view header) {
    return header.size() >= SongHeaderBytes && header.starts_with(Signature);
}

std::string readBytes(SongFile& file, std::uint64_t offset, std::size_t size) {
    std::string bytes(size, '\0');
    bytes.resize(file.readAt(offset, bytes.data(), size));
    return bytes;
}

} // namespace

std::optional<SongTags> parseSongTags(std::string_view header, std::string_view extended) {
    if (!isSongHeader(header))
        return std::nullopt;
    SongTags tags = headerTags(header);
    applyExtendedTags(extended, tags);
    return tags;
}

std::optional<SongTags> readSongTags(SongFile& file) {
    const std::string header = readBytes(file, 0, SongHeaderBytes);
    if (!isSongHeader(header))
        return std::nullopt;
    std::string extended = readBytes(file, ExtendedTagsOffset, ExtendedHeaderBytes);
    if (extended.size() == ExtendedHeaderBytes && extended.starts_with(ExtendedId)) {
        const std::size_t declared =
            std::min<std::size_t>(littleEndian(extended.substr(4, 4)), ExtendedTagsMaxBytes);
        extended += readBytes(file, ExtendedTagsOffset + ExtendedHeaderBytes, declared);
    }
    return parseSongTags(header, extended);
}

std::string songTooltip(const SongTags& tags) {
    std::string tooltip;
    const auto addLine = [&tooltip](std::string_view line) {
        if (line.empty())
            return;
        if (!tooltip.empty())
            tooltip += '\n';
        tooltip += line;
    };
    addLine(tags.title);
    addLine(tags.game);
    addLine(tags.artist);
    if (tags.lengthSeconds) {
        const std::uint32_t seconds = *tags.lengthSeconds % 60;
        addLine(std::to_string(*tags.lengthSeconds / 60) + (seconds < 10 ? ":0" : ":") +
                std::to_string(seconds));
    }
    return tooltip;
}

} // namespace ostrane::core
