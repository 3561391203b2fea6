#pragma once

#include "platform/win32/win32api.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace ostrane::wintest {

// A program beside the test executable, run as a child process whose standard output is
// collected line by line as it comes.
class ChildProcess {
public:
    ChildProcess(const std::wstring& program, const std::vector<std::wstring>& arguments);
    // Ends the process if it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return process_ != nullptr; }

    // Waits until a printed line matches; false when none did within the bound.
    bool waitFor(const std::function<bool(const std::string&)>& matches,
                 std::chrono::milliseconds bound = std::chrono::seconds(30));
    bool waitForLine(const std::string& line) {
        return waitFor([&](const std::string& printed) { return printed == line; });
    }
    std::vector<std::string> lines();

    // The exit status, once the process has ended within the bound.
    std::optional<DWORD> waitForExit(std::chrono::milliseconds bound = std::chrono::seconds(60));

private:
    void readOutput(HANDLE output);

    HANDLE process_ = nullptr;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
};

// The full path of `name` in the test executable's folder.
std::wstring besideTest(const std::wstring& name);

// The link peer serving DDE, started and waited for until it is ready.
class LinkPeer : public ChildProcess {
public:
    explicit LinkPeer(const std::vector<std::wstring>& options = {});
    bool ready() const { return ready_; }

private:
    bool ready_ = false;
};

} // namespace ostrane::wintest
