#include "requestreader.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace ostrane::server {

RequestParser::State RequestParser::fail() {
    state_ = State::malformed;
    return state_;
}

RequestParser::State RequestParser::feed(std::string_view bytes) {
    std::size_t at = 0;
    while (state_ == State::needMore && at < bytes.size()) {
        switch (part_) {
        case Part::magic: {
            // Compare byte by byte so a wrong first byte is refused at once.
            if (bytes[at++] != ostrane::platform::requestMagic[partRead_]) {
                consumed_ += at;
                return fail();
            }
            if (++partRead_ == ostrane::platform::requestMagic.size()) {
                part_ = Part::serviceLength;
                partRead_ = 0;
                length_ = 0;
            }
            break;
        }
        case Part::serviceLength:
        case Part::topicLength: {
            const int size = part_ == Part::serviceLength ? 2 : 4;
            length_ |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]))
                       << (8 * partRead_);
            ++at;
            if (static_cast<int>(++partRead_) < size) {
                break;
            }
            partRead_ = 0;
            if (part_ == Part::serviceLength) {
                if (length_ == 0 || length_ > ostrane::core::maxServiceBytes) {
                    consumed_ += at;
                    return fail();
                }
                part_ = Part::service;
            } else {
                if (length_ > ostrane::platform::maxTopicBytes) {
                    consumed_ += at;
                    return fail();
                }
                part_ = Part::topic;
                if (length_ == 0) {
                    state_ = State::complete;
                }
            }
            break;
        }
        case Part::service:
        case Part::topic: {
            std::string& text = part_ == Part::service ? request_.service : request_.topic;
            const std::size_t take =
                std::min<std::size_t>(length_ - text.size(), bytes.size() - at);
            text.append(bytes.substr(at, take));
            at += take;
            if (text.size() < length_) {
                break;
            }
            if (part_ == Part::service) {
                if (!ostrane::core::isValidServiceName(text)) {
                    consumed_ += at;
                    return fail();
                }
                part_ = Part::topicLength;
                length_ = 0;
            } else {
                state_ = State::complete;
            }
            break;
        }
        }
    }
    consumed_ += at;
    return state_;
}

RequestReader::Result RequestReader::feed(std::string_view bytes) {
    if (result_ != Result::needMore) {
        return result_;
    }
    if (bytes.empty()) {
        result_ = Result::cutShort;
        return result_;
    }
    switch (parser_.feed(bytes)) {
    case RequestParser::State::needMore:
        break;
    case RequestParser::State::complete:
        result_ = Result::complete;
        break;
    case RequestParser::State::malformed:
        result_ = Result::malformed;
        break;
    }
    return result_;
}

RequestReader::Result RequestReader::readFrom(int fd) {
    if (result_ != Result::needMore) {
        return result_;
    }
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        return result_;
    }
    // End of stream or a reset: a request cut short.
    return feed(n > 0 ? std::string_view(buffer, static_cast<std::size_t>(n)) : std::string_view());
}

bool RequestReader::expire(Clock::time_point now) {
    if (result_ == Result::needMore && now >= deadline_) {
        result_ = Result::malformed;
        return true;
    }
    return false;
}

} // namespace ostrane::server
