#pragma once

// The server's side of the conversation socket, for any event loop: a ConversationServer owns
// the folder's lock and the listening socket and hands out connections one at a time; each
// connection's request is read by a RequestReader (requestreader.h) and answered with
// sendAnswer. Nothing here blocks: the caller waits for readiness (poll, a socket notifier).

#include "exitstatus.h"
#include "outputline.h"
#include "requestreader.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <variant>

namespace ostrane::server {

// Connections a server keeps open at once; beyond them a connection is refused at once.
inline constexpr std::size_t connectionLimit = 512;
// How long to leave the listening socket alone after running out of descriptors.
inline constexpr auto acceptRetryDelay = std::chrono::milliseconds(100);

// Why a server could not start: the exit status to leave with and the complaint to make.
struct OpenFailure {
    int status = exitFailure;
    std::string message;
};

struct Accepted {
    enum class Outcome {
        connection,       // fd is a new non-blocking connection, number its number
        nothingWaiting,   // no client is waiting
        otherUser,        // a client of another user (uid), closed at once
        outOfDescriptors, // clients wait but no descriptor is free; retry after acceptRetryDelay
        failed,           // error holds the reason
    };
    Outcome outcome = Outcome::nothingWaiting;
    int fd = -1;
    unsigned long number = 0;
    int error = 0;
    uid_t uid = static_cast<uid_t>(-1);
    // For outOfDescriptors: the first since a connection was last taken, the one to report.
    bool newEpisode = false;
};

// Only the server's own user may converse: the folder's mode was checked once, at the start,
// and may have changed since.
bool mayConverse(uid_t serverUid, std::optional<uid_t> clientUid);

class ConversationServer {
public:
    // Makes the folder (0700) if missing and refuses an unsafe one, takes the exclusive lock
    // on NAME.lock, removes a stale socket file only while holding it, then binds and listens.
    // A socket file that some process listens on is never stale: another server (a socket
    // unit, say) serves the name. `runtimeDir` is XDG_RUNTIME_DIR as runtimeDirFromEnvironment
    // gives it. `inherited`, when given, is a socket already listening on the socket's path
    // (from systemd): it is served instead, and its file left in place at the end.
    static std::variant<ConversationServer, OpenFailure>
    open(std::string_view service, std::optional<std::string_view> runtimeDir, uid_t uid,
         int inherited = -1);

    ConversationServer(ConversationServer&& other) noexcept;
    ConversationServer& operator=(ConversationServer&&) = delete;
    ConversationServer(const ConversationServer&) = delete;
    // Removes the socket file it made and lets go of the lock; the lock file stays, since removing
    // it would let two servers lock different files of the same name.
    ~ConversationServer();

    // The listening socket, to wait on for readability.
    int fd() const { return listener_; }
    const std::string& socketPath() const { return socketPath_; }
    const std::string& service() const { return service_; }

    // Takes one waiting connection. Every connection of the server's user gets the next
    // number, from 1; those of other users are closed unanswered.
    Accepted acceptOne();

private:
    ConversationServer(std::string service, std::string socketPath, uid_t uid, int lock,
                       int listener, bool ownsSocketFile)
        : service_(std::move(service)), socketPath_(std::move(socketPath)), uid_(uid), lock_(lock),
          listener_(listener), ownsSocketFile_(ownsSocketFile) {}

    std::string service_;
    std::string socketPath_;
    uid_t uid_;
    int lock_ = -1;
    int listener_ = -1;
    bool ownsSocketFile_ = true;
    unsigned long accepted_ = 0;
    bool outOfDescriptors_ = false;
};

enum class Answer : unsigned char {
    accept = ostrane::platform::acceptAnswer,
    refuse = ostrane::platform::refuseAnswer,
};

// False when the client is gone (never raises SIGPIPE).
bool sendAnswer(int fd, Answer answer);
// Refuses (where the connection still allows it) and closes.
void refuseAndClose(int fd);

// What a connection whose request is answered holds: its client only ever closes it.
enum class Afterwards { open, closed };
// Reads and discards what a readable connection sends after its request.
Afterwards drainAfterRequest(int fd);

// Writes everything to a blocking descriptor; gives up quietly once no one reads it.
void writeAll(int fd, std::string_view text);
// A complaint line (commandline.h) on standard error.
void complain(std::string_view program, std::string_view message);

} // namespace ostrane::server
