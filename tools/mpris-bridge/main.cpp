// corvissa-mpris-bridge: serves the conversation socket and forwards each conversation to an
// MPRIS player on the session bus, printing one line per event.

#include "bridge.h"
#include "bridgeoptions.h"
#include "conversationserver.h"
#include "pollloop.h"
#include "sdbus.h"
#include "serversession.h"
#include "stopsignals.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>
#include <variant>

namespace {

using namespace ostrane;

constexpr auto exitFlushTime = std::chrono::seconds(1);

constexpr int failedToInherit = -2;

// The listening socket of a socket unit that started this bridge, -1 when none was passed.
int socketFromSystemd(server::ServerSession& session) {
    const int passed = sd_listen_fds(1);
    if (passed < 0) {
        session.complain("cannot take the sockets systemd passed: " +
                         std::string(std::strerror(-passed)));
        return failedToInherit;
    }
    if (passed == 0) {
        return -1;
    }
    if (passed > 1 || sd_is_socket_unix(SD_LISTEN_FDS_START, SOCK_STREAM, 1, nullptr, 0) <= 0) {
        session.complain("systemd passed " + std::to_string(passed) +
                         " sockets; the unit must listen on one stream socket");
        return failedToInherit;
    }
    return SD_LISTEN_FDS_START;
}

int serveUntilStopped(const bridge::BridgeOptions& options, int stopSignals) {
    server::PollLoop loop;
    bridge::Bridge* forwarder = nullptr;
    server::ServerSession session(bridge::programName, loop,
                                  [&](unsigned long number, const server::ConversationRequest& r) {
                                      forwarder->converse(number, r.service, r.topic);
                                  });
    bridge::SessionBus bus(loop, [&] {
        session.complain("the session bus went away; stopping");
        loop.quit(server::exitFailure);
    });
    if (!bus.connected()) {
        session.complain("cannot reach the session bus: " + bus.error());
        session.finish(exitFlushTime);
        return server::exitFailure;
    }
    const int inherited = socketFromSystemd(session);
    if (inherited == failedToInherit) {
        session.finish(exitFlushTime);
        return server::exitFailure;
    }
    auto opened = server::ConversationServer::open(
        options.service, platform::runtimeDirFromEnvironment(), ::geteuid(), inherited);
    if (auto* failure = std::get_if<server::OpenFailure>(&opened)) {
        session.complain(failure->message);
        session.finish(exitFlushTime);
        return failure->status;
    }
    auto& conversations = std::get<server::ConversationServer>(opened);
    int status = 0;
    {
        bridge::Bridge bridge(
            bus, options,
            bridge::Bridge::Output{
                .answer =
                    [&](unsigned long number, bool accepted, const std::string& line) {
                        if (accepted) {
                            session.accept(number, line);
                        } else {
                            session.refuse(number, line);
                        }
                    },
                .event = [&](const std::string& line) { session.event(line); },
                .complain = [&](const std::string& message) { session.complain(message); },
            });
        forwarder = &bridge;
        loop.watch(stopSignals, POLLIN, [&](short) { loop.quit(0); });
        bridge.start([&] {
            session.event("ready " + server::printable(conversations.socketPath()));
            session.serve(conversations);
        });
        status = loop.run();
        if (status < 0) {
            session.complain("poll failed: " + std::string(std::strerror(-status)));
            status = server::exitFailure;
        }
    } // ends a player it launched
    session.finish(exitFlushTime);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    const auto invocation =
        bridge::parseBridgeOptions(std::vector<std::string>(argv + 1, argv + argc));
    server::writeAll(STDOUT_FILENO, invocation.output);
    server::writeAll(STDERR_FILENO, invocation.errors);
    if (!invocation.options) {
        return invocation.status;
    }
    const int stopSignals = server::installStopSignals();
    if (stopSignals < 0) {
        server::complain(bridge::programName,
                         "cannot handle signals: " + std::string(std::strerror(errno)));
        return server::exitFailure;
    }
    return serveUntilStopped(*invocation.options, stopSignals);
}
