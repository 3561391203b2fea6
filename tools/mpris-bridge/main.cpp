// corvissa-mpris-bridge: serves the conversation socket and forwards each conversation to an
// MPRIS player on the session bus, printing one line per event.

#include "bridge.h"
#include "bridgeoptions.h"
#include "conversationlistener.h"
#include "conversationserver.h"
#include "stopsignals.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <variant>

namespace {

using namespace ostrane;

// One unbuffered write per event, so a reader always sees whole lines without delay.
void event(const std::string& line) {
    server::writeAll(STDOUT_FILENO, line + "\n");
}

void complain(const std::string& message) {
    server::complain(bridge::programName, message);
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
    const bridge::BridgeOptions& options = *invocation.options;
    const int stopSignals = server::installStopSignals();
    if (stopSignals < 0) {
        complain("cannot handle signals");
        return server::exitFailure;
    }
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        complain("cannot reach the session bus: " + bus.lastError().message().toStdString());
        return server::exitFailure;
    }
    auto opened = server::ConversationServer::open(
        options.service, platform::runtimeDirFromEnvironment(), ::geteuid());
    if (auto* failure = std::get_if<server::OpenFailure>(&opened)) {
        complain(failure->message);
        return failure->status;
    }
    auto& conversations = std::get<server::ConversationServer>(opened);

    QSocketNotifier stopNotifier(stopSignals, QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &app,
                     [] { QCoreApplication::exit(0); });
    bridge::Bridge forwarder(bus, options, event);
    QObject::connect(&forwarder, &bridge::Bridge::busLost, &app, [] {
        complain("the session bus went away; stopping");
        QCoreApplication::exit(server::exitFailure);
    });
    bridge::ConversationListener listener(conversations, forwarder, event);
    forwarder.start([&] {
        event("ready " + server::printable(conversations.socketPath()));
        listener.listen();
    });
    return app.exec();
}
