#pragma once

// Output lines for a reader that may not keep up (a full pipe, a terminal paused with Ctrl-S):
// they are written without ever waiting, so serving never waits for the reader.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace ostrane::server {

class EventOutput {
public:
    static constexpr std::size_t defaultLimit = 1024 * 1024;

    // Writes to `fd` (standard output or error) without blocking: a pipe or terminal is
    // opened afresh for it in non-blocking mode, so the descriptor shared with other
    // programs keeps its mode; a socket is sent to without waiting; a file is written as is.
    // At most `limit` bytes wait; lines that find no room are dropped, whole, and counted.
    explicit EventOutput(int fd, std::size_t limit = defaultLimit);
    ~EventOutput();
    EventOutput(const EventOutput&) = delete;
    EventOutput& operator=(const EventOutput&) = delete;

    // Adds "text\n" and writes what the reader takes now. After dropped lines, the line
    // "dropped N lines" comes first, as soon as there is room for it.
    void line(std::string_view text);
    // Writes what waits, as far as the reader takes it now.
    void flush();
    // True while bytes wait: the caller waits for fd() to be writable, then calls flush().
    bool waiting() const { return !buffer_.empty() || dropped_ > 0; }
    int fd() const { return fd_; }
    // Flushes, waiting at most `bound` for the reader (at exit).
    void finish(std::chrono::milliseconds bound);

private:
    enum class Kind { plain, socket, nonBlocking };

    void reportDropped();
    std::ptrdiff_t writeSome(std::string_view bytes);

    int fd_;
    int ownFd_ = -1;        // the non-blocking descriptor opened afresh, if any
    int restoreFlags_ = -1; // flags to give back to fd_ when its own mode had to change
    Kind kind_ = Kind::plain;
    std::size_t limit_;
    std::string buffer_;
    std::size_t written_ = 0; // bytes at the front of buffer_ already written
    unsigned long dropped_ = 0;
    bool broken_ = false; // nobody reads any more: lines are discarded
};

} // namespace ostrane::server
