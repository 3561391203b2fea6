#pragma once

// Serves the conversation socket from Qt's event loop: accepts connections, reads each
// request, hands it to the bridge and sends the bridge's answer.

#include "bridge.h"
#include "conversationserver.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <map>
#include <memory>

namespace ostrane::bridge {

class ConversationListener : public QObject {
    Q_OBJECT
public:
    ConversationListener(server::ConversationServer& server, Bridge& bridge, Bridge::Print print,
                         QObject* parent = nullptr);
    ~ConversationListener() override;

    // Starts taking connections.
    void listen();

private:
    struct Connection {
        enum class Stage { reading, answering, open };
        int fd = -1;
        unsigned long number = 0;
        Stage stage = Stage::reading;
        server::RequestReader reader;
        std::unique_ptr<QSocketNotifier> notifier;
        std::unique_ptr<QTimer> requestTimer;
    };

    void acceptAll();
    void readable(unsigned long number);
    void readRequests();
    void readRequest(unsigned long number);
    void answered(unsigned long number, bool accepted);
    void drop(unsigned long number, const std::string& line);

    server::ConversationServer& server_;
    Bridge& bridge_;
    Bridge::Print print_;
    QSocketNotifier acceptNotifier_;
    std::map<unsigned long, std::unique_ptr<Connection>> connections_;
};

} // namespace ostrane::bridge
