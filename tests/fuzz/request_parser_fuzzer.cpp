// Feeds arbitrary bytes to the request parser, whole and in pieces, and checks that both
// readings agree, that a complete request is exactly what encoding it gives back, and that
// the output line the peers write for it reads back as exactly that request.

#include "conversationserver/outputlinedecoder.h"
#include "outputline.h"
#include "platform/unix/conversationsocket.h"
#include "requestreader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using ostrane::platform::encodeRequest;
using ostrane::server::RequestParser;

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    RequestParser whole;
    const RequestParser::State state = whole.feed(input);

    // The piece sizes come from the input, so the fuzzer explores the split points too.
    RequestParser pieces;
    std::size_t at = 0;
    for (std::size_t i = 0; at < size; ++i) {
        const std::size_t piece = 1 + data[i % size] % 13;
        pieces.feed(input.substr(at, piece));
        at += piece;
    }

    check(pieces.state() == state);
    check(pieces.consumed() == whole.consumed());
    check(whole.consumed() <= size);
    switch (state) {
    case RequestParser::State::needMore:
        check(whole.consumed() == size);
        break;
    case RequestParser::State::complete: {
        check(pieces.request() == whole.request());
        const auto encoded = encodeRequest(whole.request().service, whole.request().topic);
        check(encoded && *encoded == input.substr(0, whole.consumed()));
        const std::string line =
            ostrane::server::printableConversation(whole.request().service, whole.request().topic);
        for (const char c : line) {
            check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
        }
        const auto decoded = ostrane::testing::decodeConversation(line);
        check(decoded && decoded->service == whole.request().service &&
              decoded->topic == whole.request().topic);
        break;
    }
    case RequestParser::State::malformed:
        check(whole.consumed() >= 1);
        break;
    }
    return 0;
}
