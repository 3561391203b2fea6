// ostrane-mix-peer SEED HANG_PER_MILLE REFUSE_PER_MILLE [TOPICS]: a test-only player. It
// serves QV-spc on the conversation socket and answers each complete request at random
// (seeded, so a run can be repeated): hang (never answer), refuse, or accept. It prints
// "ready PATH" once serving and, when SIGTERM ends it, one line of counts:
// "served N accepted A refused R hung H". With TOPICS, it appends each request's topic to
// that file exactly as received, each followed by a NUL.

#include "platform/unix/conversationsocket.h"
#include "requestreader.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace ostrane::platform;
using ostrane::server::RequestParser;

volatile std::sig_atomic_t stopping = 0;

void onTerm(int) {
    stopping = 1;
}

struct Client {
    int fd;
    RequestParser parser;
    bool answered = false;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr,
                     "usage: ostrane-mix-peer SEED HANG_PER_MILLE REFUSE_PER_MILLE [TOPICS]\n");
        return 2;
    }
    std::mt19937_64 random(std::strtoull(argv[1], nullptr, 10));
    const unsigned hang = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
    const unsigned refuse = static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10));
    std::uniform_int_distribution<unsigned> perMille(0, 999);
    const int topics =
        argc == 5 ? ::open(argv[4], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600) : -1;

    struct sigaction action {};
    action.sa_handler = onTerm;
    ::sigaction(SIGTERM, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    const auto place = socketPlaceFor("QV-spc", runtimeDirFromEnvironment(), ::geteuid());
    if (!place || (::mkdir(place->folder.c_str(), 0700) != 0 && errno != EEXIST)) {
        std::fprintf(stderr, "ostrane-mix-peer: no place for the socket\n");
        return 1;
    }
    ::unlink(place->socketPath.c_str());
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, place->socketPath.data(), place->socketPath.size());
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 64) != 0) {
        std::fprintf(stderr, "ostrane-mix-peer: cannot serve at %s: %s\n",
                     place->socketPath.c_str(), std::strerror(errno));
        return 1;
    }
    std::printf("ready %s\n", place->socketPath.c_str());
    std::fflush(stdout);

    unsigned long served = 0, accepted = 0, refused = 0, hung = 0;
    std::vector<Client> clients;
    while (stopping == 0) {
        std::vector<pollfd> fds{{listener, POLLIN, 0}};
        for (const Client& client : clients)
            fds.push_back({client.fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), 200) < 0)
            continue;
        for (std::size_t i = 1; i < fds.size(); ++i) {
            Client& client = clients[i - 1];
            if (fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(client.fd, buffer, sizeof buffer);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (n <= 0) {
                ::close(client.fd);
                client.fd = -1;
                continue;
            }
            if (client.answered)
                continue;
            const auto state = client.parser.feed({buffer, static_cast<std::size_t>(n)});
            if (state == RequestParser::State::needMore)
                continue;
            client.answered = true;
            ++served;
            if (topics >= 0 && state == RequestParser::State::complete) {
                std::string record = client.parser.request().topic;
                record.push_back('\0');
                [[maybe_unused]] const ssize_t written =
                    ::write(topics, record.data(), record.size());
            }
            const unsigned draw = perMille(random);
            if (state == RequestParser::State::complete && draw < hang) {
                ++hung;
                continue;
            }
            const bool accept = state == RequestParser::State::complete && draw >= hang + refuse;
            const unsigned char answer = accept ? acceptAnswer : refuseAnswer;
            [[maybe_unused]] const ssize_t sent = ::send(client.fd, &answer, 1, MSG_NOSIGNAL);
            if (accept) {
                ++accepted;
            } else {
                ++refused;
                ::close(client.fd);
                client.fd = -1;
            }
        }
        std::erase_if(clients, [](const Client& client) { return client.fd < 0; });
        if ((fds[0].revents & POLLIN) != 0) {
            for (int fd;
                 (fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0;)
                clients.push_back({fd, {}});
        }
    }
    std::printf("served %lu accepted %lu refused %lu hung %lu\n", served, accepted, refused, hung);
    std::fflush(stdout);
    ::unlink(place->socketPath.c_str());
    return 0;
}
