// The peers' output lines: every service and topic reads back as exactly itself.

#include "conversationserver/outputlinedecoder.h"
#include "outputline.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using namespace ostrane::server;
using namespace std::string_literals;
using ostrane::testing::decodeConversation;
using ostrane::testing::DecodedConversation;

TEST(OutputLine, KeepsPrintableUtf8AsItIs) {
    EXPECT_EQ(printableConversation("QV-spc", "/home/ana/Música/Ærø | Live/曲 01.ogg"),
              "QV-spc|/home/ana/Música/Ærø | Live/曲 01.ogg");
}

TEST(OutputLine, EscapesWhatCouldBeMistakenOrHideText) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\nb", "a\\x0ab"},                                  // a line break
        {"a\\x0ab", "a\\\\x0ab"},                             // the text of an escape
        {"\t\x7f\r", "\\x09\\x7f\\x0d"},                      // other control bytes
        {"\xc2\x85", "\\u{85}"},                              // a C1 control
        {"abc\xe2\x80\xae", "abc\\u{202e}"},                  // a right-to-left override
        {"\xe2\x81\xa6x\xe2\x81\xa9", "\\u{2066}x\\u{2069}"}, // an isolate
        {"a\xe2\x80\x8b", "a\\u{200b}"},                      // a zero-width space
        {"\xe2\x80\xa8", "\\u{2028}"},                        // the line separator
        {"\xef\xbb\xbf", "\\u{feff}"},                        // a byte order mark
        {"\xf3\xa0\x80\x81", "\\u{e0001}"},                   // a language tag
        {"\xff", "\\xff"},                                    // not UTF-8
        {"\xc3", "\\xc3"},                                    // a sequence cut short
        {"\xc0\xaf", "\\xc0\\xaf"},                           // an overlong '/'
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},                  // a surrogate
        {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},         // beyond U+10FFFF
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(printable(text), shown);
    }
}

TEST(OutputLine, TellsABarInTheServiceFromTheOneAfterIt) {
    EXPECT_EQ(printableConversation("a|b", "c"), "a\\|b|c");
    EXPECT_EQ(printableConversation("a", "b|c"), "a|b|c");
    EXPECT_EQ(decodeConversation("a\\|b|c"), (DecodedConversation{"a|b", "c"}));
    EXPECT_EQ(decodeConversation("a|b|c"), (DecodedConversation{"a", "b|c"}));
}

// Random bytes, weighted towards the ones that need care, read back as themselves.
TEST(OutputLine, EveryServiceAndTopicReadsBackAsItself) {
    std::mt19937 random(2026);
    const std::string pieces[] = {
        "\\",
        "|",
        "x",
        "\\x0a",
        "\\u{85}",
        "\n",
        "\x7f",
        "\xc2\x85",
        "\xe2\x80\xae",
        "é",
        "曲",
        "\xf0\x9f\x8e\xb5",
        "\xff",
        "\xe2\x80",
        "\xc0",
        "\xed\xb0\x80",
        " ",
        "{",
    };
    std::uniform_int_distribution<int> pick(0, std::size(pieces) + 3);
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::uniform_int_distribution<int> length(0, 24);
    auto text = [&] {
        std::string out;
        for (int n = length(random); n > 0; --n) {
            const auto choice = static_cast<std::size_t>(pick(random));
            out += choice < std::size(pieces) ? pieces[choice]
                                              : std::string(1, static_cast<char>(anyByte(random)));
        }
        return out;
    };
    for (int i = 0; i < 20000; ++i) {
        const DecodedConversation original{text(), text()};
        const std::string line = printableConversation(original.service, original.topic);
        ASSERT_EQ(line.find('\n'), std::string::npos);
        for (unsigned char c : line) {
            ASSERT_TRUE(c >= 0x20 && c != 0x7f) << line;
        }
        const auto decoded = decodeConversation(line);
        ASSERT_TRUE(decoded) << line;
        ASSERT_EQ(*decoded, original) << line;
    }
}

} // namespace
