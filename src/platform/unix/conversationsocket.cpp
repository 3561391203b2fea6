#include "platform/unix/conversationsocket.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

namespace ostrane::platform {

namespace {

void appendLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

} // namespace

std::string conversationFolderFor(std::optional<std::string_view> runtimeDir, uid_t uid) {
    if (runtimeDir && !runtimeDir->empty() && runtimeDir->front() == '/') {
        std::string folder(*runtimeDir);
        // Keep "/run/user/1000/" from giving a double slash.
        while (folder.size() > 1 && folder.back() == '/') {
            folder.pop_back();
        }
        return folder == "/" ? "/dde" : folder + "/dde";
    }
    return "/tmp/dde-" + std::to_string(uid);
}

std::optional<SocketPlace> socketPlaceFor(std::string_view service,
                                          std::optional<std::string_view> runtimeDir, uid_t uid) {
    if (!core::isValidServiceName(service)) {
        return std::nullopt;
    }
    SocketPlace place;
    place.folder = conversationFolderFor(runtimeDir, uid);
    place.socketPath = place.folder + "/" + core::lowerCaseServiceName(service);
    if (place.socketPath.size() > maxSocketPathBytes) {
        return std::nullopt;
    }
    place.lockPath = place.socketPath + ".lock";
    return place;
}

std::optional<std::string> runtimeDirFromEnvironment() {
    const char* value = std::getenv("XDG_RUNTIME_DIR");
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

FolderState inspectConversationFolder(const std::string& folder, uid_t uid) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        return errno == ENOENT ? FolderState::missing : FolderState::unreadable;
    }
    if (!S_ISDIR(info.st_mode)) {
        return FolderState::notADirectory;
    }
    if (info.st_uid != uid) {
        return FolderState::wrongOwner;
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        return FolderState::openToOthers;
    }
    return FolderState::usable;
}

std::string_view describeFolderState(FolderState state) {
    switch (state) {
    case FolderState::usable:
        return "usable";
    case FolderState::missing:
        return "does not exist";
    case FolderState::notADirectory:
        return "is not a directory (or is a symbolic link)";
    case FolderState::wrongOwner:
        return "belongs to another user";
    case FolderState::openToOthers:
        return "is open to other users (its mode must be 0700)";
    case FolderState::unreadable:
        return "cannot be examined";
    }
    return "is unusable";
}

std::optional<std::string> encodeRequest(std::string_view service, std::string_view topic) {
    if (!core::isValidServiceName(service) || topic.size() > maxTopicBytes) {
        return std::nullopt;
    }
    std::string out;
    out.reserve(requestMagic.size() + 2 + service.size() + 4 + topic.size());
    out.append(requestMagic);
    appendLittleEndian(out, static_cast<std::uint32_t>(service.size()), 2);
    out.append(service);
    appendLittleEndian(out, static_cast<std::uint32_t>(topic.size()), 4);
    out.append(topic);
    return out;
}

} // namespace ostrane::platform
