#include "peerprocess.h"

namespace ostrane::wintest {

namespace {

std::wstring quoted(const std::wstring& argument) {
    std::wstring out = L"\"";
    for (wchar_t c : argument) {
        if (c == L'"')
            out += L'\\';
        out += c;
    }
    return out + L"\"";
}

} // namespace

std::wstring besideTest(const std::wstring& name) {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
    path.resize(length);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

ChildProcess::ChildProcess(const std::wstring& program,
                           const std::vector<std::wstring>& arguments) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inheritable, 0))
        return;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    std::wstring commandLine = quoted(program);
    for (const auto& argument : arguments)
        commandLine += L" " + quoted(argument);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                         nullptr, &startup, &info)) {
        process_ = info.hProcess;
        ::CloseHandle(info.hThread);
    }
    ::CloseHandle(writeEnd);
    if (process_ == nullptr) {
        ::CloseHandle(readEnd);
        return;
    }
    reader_ = std::thread([this, readEnd] { readOutput(readEnd); });
}

ChildProcess::~ChildProcess() {
    if (process_ != nullptr) {
        if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(process_, 0);
            ::WaitForSingleObject(process_, INFINITE);
        }
        ::CloseHandle(process_);
    }
    if (reader_.joinable())
        reader_.join();
}

void ChildProcess::readOutput(HANDLE output) {
    std::string partial;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(output, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        partial.append(buffer, got);
        std::lock_guard lock(mutex_);
        for (auto end = partial.find('\n'); end != std::string::npos; end = partial.find('\n')) {
            std::string line = partial.substr(0, end);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines_.push_back(std::move(line));
            partial.erase(0, end + 1);
        }
        changed_.notify_all();
    }
    ::CloseHandle(output);
}

bool ChildProcess::waitFor(const std::function<bool(const std::string&)>& matches,
                           std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, bound, [&] {
        for (const auto& line : lines_)
            if (matches(line))
                return true;
        return false;
    });
}

std::vector<std::string> ChildProcess::lines() {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::optional<DWORD> ChildProcess::waitForExit(std::chrono::milliseconds bound) {
    if (process_ == nullptr ||
        ::WaitForSingleObject(process_, static_cast<DWORD>(bound.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD status = 0;
    ::GetExitCodeProcess(process_, &status);
    return status;
}

LinkPeer::LinkPeer(const std::vector<std::wstring>& options)
    : ChildProcess(besideTest(L"corvissa-link-peer.exe"), options) {
    // Starting a Wine process takes long on a loaded machine.
    ready_ = waitFor([](const std::string& line) { return line.starts_with("ready "); },
                     std::chrono::seconds(120));
}

} // namespace ostrane::wintest
