#pragma once

// The conversation socket: what client and server of a conversation share. A client connects
// to the service's socket, sends one request (service and topic) and reads a one-byte answer.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <sys/un.h>

namespace ostrane::platform {

inline constexpr std::string_view requestMagic{"DDE1", 4};
inline constexpr std::size_t maxServiceBytes = 255;
inline constexpr std::size_t maxTopicBytes = 65536;
inline constexpr unsigned char acceptAnswer = 0x06;
inline constexpr unsigned char refuseAnswer = 0x15;
// Longest socket path bind() and connect() take, leaving room for the terminating NUL.
inline constexpr std::size_t maxSocketPathBytes = sizeof(sockaddr_un{}.sun_path) - 1;

// Non-empty, at most 255 bytes, no '/' and no NUL.
bool isValidServiceName(std::string_view service);

// Service names match without regard to ASCII case; the socket carries the lower-case form.
std::string lowerCaseServiceName(std::string_view service);
bool sameServiceName(std::string_view a, std::string_view b);

struct SocketPlace {
    std::string folder;     // holds every service's socket; owned by the user, mode 0700
    std::string socketPath; // folder/name
    std::string lockPath;   // folder/name.lock, held by the server that owns socketPath
};

// `runtimeDir` is the value of XDG_RUNTIME_DIR, nothing when it is unset. An unset, empty or
// relative value falls back to /tmp/dde-UID.
std::string conversationFolderFor(std::optional<std::string_view> runtimeDir, uid_t uid);

// Nothing for an invalid service name or a socket path longer than maxSocketPathBytes.
std::optional<SocketPlace> socketPlaceFor(std::string_view service,
                                          std::optional<std::string_view> runtimeDir, uid_t uid);

// XDG_RUNTIME_DIR as the environment holds it now.
std::optional<std::string> runtimeDirFromEnvironment();

enum class FolderState { usable, missing, notADirectory, wrongOwner, openToOthers, unreadable };

// Checks the folder itself (lstat: a symlink is not a directory), owned by `uid`, mode 0700.
FolderState inspectConversationFolder(const std::string& folder, uid_t uid);
std::string_view describeFolderState(FolderState state);

struct ConversationRequest {
    std::string service;
    std::string topic;

    bool operator==(const ConversationRequest&) const = default;
};

// "DDE1", u16 LE service length, service, u32 LE topic length, topic. Nothing for an invalid
// service name or a topic longer than maxTopicBytes.
std::optional<std::string> encodeRequest(std::string_view service, std::string_view topic);

// Reads one request from bytes that arrive in pieces of any size.
class RequestParser {
public:
    enum class State { needMore, complete, malformed };

    // Takes bytes up to the end of the request; bytes after it are left unconsumed.
    State feed(std::string_view bytes);

    State state() const { return state_; }
    // Bytes taken so far, the whole request once complete.
    std::size_t consumed() const { return consumed_; }
    // Meaningful once complete.
    const ConversationRequest& request() const { return request_; }

private:
    enum class Part { magic, serviceLength, service, topicLength, topic };

    State fail();

    State state_ = State::needMore;
    Part part_ = Part::magic;
    std::size_t consumed_ = 0;
    std::size_t partRead_ = 0; // bytes of the current fixed-size part read so far
    std::uint32_t length_ = 0; // length field being assembled, or the one being filled
    ConversationRequest request_;
};

} // namespace ostrane::platform
