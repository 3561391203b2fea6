#pragma once

// The conversation socket: what client and server of a conversation share. A client connects
// to the service's socket, sends one request (service and topic) and reads a one-byte answer.

#include "core/servicename.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <sys/un.h>

namespace ostrane::platform {

inline constexpr std::string_view requestMagic{"DDE1", 4};
inline constexpr std::size_t maxTopicBytes = 65536;
inline constexpr unsigned char acceptAnswer = 0x06;
inline constexpr unsigned char refuseAnswer = 0x15;
// Longest socket path bind() and connect() take, leaving room for the terminating NUL.
inline constexpr std::size_t maxSocketPathBytes = sizeof(sockaddr_un{}.sun_path) - 1;

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

} // namespace ostrane::platform
