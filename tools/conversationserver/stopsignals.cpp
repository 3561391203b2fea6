#include "stopsignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace ostrane::server {

namespace {

int stopPipe[2] = {-1, -1};

void onStopSignal(int) {
    const int saved = errno;
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(stopPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

int installStopSignals() {
    if (::pipe2(stopPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        return -1;
    }
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    const bool installed = ::sigaction(SIGINT, &action, nullptr) == 0 &&
                           ::sigaction(SIGTERM, &action, nullptr) == 0 &&
                           ::sigaction(SIGPIPE, &ignore, nullptr) == 0;
    return installed ? stopPipe[0] : -1;
}

} // namespace ostrane::server
