// wmping WINDOW STOPFILE: pings WINDOW as a window manager does (_NET_WM_PING), one ping
// every 20 ms while the last one has been answered, until STOPFILE exists. Prints
// "answered" after the first answer, then "pings N worst W ms median M ms …" at the end; a
// ping still unanswered at the end counts with the time it has waited.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const auto cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t value = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return value;
}

bool exists(const char* path) {
    struct stat info {};
    return ::stat(path, &info) == 0;
}

double ms(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: wmping WINDOW STOPFILE\n");
        return 2;
    }
    const auto window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        std::fprintf(stderr, "wmping: cannot open the display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t protocols = atom(connection, "WM_PROTOCOLS");
    const xcb_atom_t ping = atom(connection, "_NET_WM_PING");
    // The answer goes to the root window for the clients that select structure (Qt) or
    // substructure (others) notification there, besides the window manager's redirection.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    std::vector<double> answers;
    uint32_t serial = 0;
    bool waiting = false;
    Clock::time_point sent{};
    Clock::time_point nextPing = Clock::now();
    while (!exists(argv[2])) {
        const auto now = Clock::now();
        if (!waiting && now >= nextPing) {
            xcb_client_message_event_t event{};
            event.response_type = XCB_CLIENT_MESSAGE;
            event.format = 32;
            event.window = window;
            event.type = protocols;
            event.data.data32[0] = ping;
            event.data.data32[1] = XCB_CURRENT_TIME;
            event.data.data32[2] = window;
            event.data.data32[3] = ++serial;
            xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                           reinterpret_cast<const char*>(&event));
            xcb_flush(connection);
            sent = Clock::now();
            waiting = true;
            nextPing = sent + std::chrono::milliseconds(20);
        }
        pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
        ::poll(&descriptor, 1, 5);
        while (xcb_generic_event_t* generic = xcb_poll_for_event(connection)) {
            if ((generic->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
                const auto* answer = reinterpret_cast<xcb_client_message_event_t*>(generic);
                if (waiting && answer->window == root && answer->type == protocols &&
                    answer->data.data32[0] == ping && answer->data.data32[3] == serial) {
                    answers.push_back(ms(Clock::now() - sent));
                    waiting = false;
                    if (answers.size() == 1) {
                        std::printf("answered\n");
                        std::fflush(stdout);
                    }
                }
            }
            std::free(generic);
        }
        if (xcb_connection_has_error(connection) != 0) {
            std::fprintf(stderr, "wmping: the display went away\n");
            return 1;
        }
    }
    if (waiting)
        answers.push_back(ms(Clock::now() - sent));
    std::vector<double> sorted = answers;
    std::sort(sorted.begin(), sorted.end());
    const double worst = sorted.empty() ? 0 : sorted.back();
    const double median = sorted.empty() ? 0 : sorted[sorted.size() / 2];
    const double p99 = sorted.empty() ? 0 : sorted[sorted.size() * 99 / 100];
    const auto late =
        std::count_if(sorted.begin(), sorted.end(), [](double t) { return t >= 100; });
    std::printf("pings %zu worst %.1f ms median %.1f ms p99 %.1f ms; %zu of 100 ms or more\n",
                answers.size(), worst, median, p99, static_cast<std::size_t>(late));
    xcb_disconnect(connection);
    return 0;
}
