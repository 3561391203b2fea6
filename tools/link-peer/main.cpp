// corvissa-link-peer: serves conversations on the conversation socket and reports each one on
// standard output, one line per event. See docs/PROTOCOL.md for the output format.

#include "conversationserver.h"
#include "peeroptions.h"
#include "pollloop.h"
#include "serversession.h"
#include "stopsignals.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <variant>

namespace {

using namespace ostrane::server;
using ostrane::peer::Mode;
using ostrane::peer::Options;

using ostrane::peer::programName;
constexpr auto exitFlushTime = std::chrono::seconds(1);
constexpr std::size_t chatterBytes = 64 * 1024;

std::string chatter() {
    std::string bytes(chatterBytes, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>('a' + i % 26);
    }
    return bytes;
}

// How the peer answers each request, as its options say.
void answer(ServerSession& session, const Options& options, unsigned long number,
            const ConversationRequest& request) {
    const std::string what =
        connectionTag(number) + " " + printableConversation(request.service, request.topic);
    if (options.mode == Mode::refuse ||
        !ostrane::core::sameServiceName(request.service, options.service)) {
        session.refuse(number, "refuse " + what);
    } else if (options.mode == Mode::hang) {
        session.hold(number, "hang " + what);
    } else {
        session.accept(number, "open " + what,
                       options.mode == Mode::chatter ? chatter() : std::string());
    }
}

int serveUntilStopped(const Options& options, int stopSignals) {
    PollLoop loop;
    ServerSession* current = nullptr;
    ServerSession session(programName, loop,
                          [&](unsigned long number, const ConversationRequest& request) {
                              answer(*current, options, number, request);
                          });
    current = &session;
    auto opened = ConversationServer::open(
        options.service, ostrane::platform::runtimeDirFromEnvironment(), ::geteuid());
    if (const auto* failure = std::get_if<OpenFailure>(&opened)) {
        session.complain(failure->message);
        session.finish(exitFlushTime);
        return failure->status;
    }
    auto& server = std::get<ConversationServer>(opened);
    session.event("ready " + printable(server.socketPath()));
    loop.watch(stopSignals, POLLIN, [&](short) { loop.quit(0); });
    if (options.stopAfter) {
        loop.at(Clock::now() + *options.stopAfter, [&] { loop.quit(0); });
    }
    session.serve(server);
    int status = loop.run();
    if (status < 0) {
        session.complain("poll failed: " + std::string(std::strerror(-status)));
        status = exitFailure;
    }
    // Whatever still waits gets a moment to reach a reader that is merely slow.
    session.finish(exitFlushTime);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    const auto invocation = ostrane::peer::parseOptions(
        std::vector<std::string>(argv + 1, argv + argc),
        ostrane::peer::usage("read each request and never answer",
                             "after accepting, send the client 64 KiB it never asked for"));
    writeAll(STDOUT_FILENO, invocation.output);
    writeAll(STDERR_FILENO, invocation.errors);
    if (!invocation.options) {
        return invocation.status;
    }
    const int stopSignals = installStopSignals();
    if (stopSignals < 0) {
        complain(programName, "cannot handle signals: " + std::string(std::strerror(errno)));
        return exitFailure;
    }
    return serveUntilStopped(*invocation.options, stopSignals);
}
