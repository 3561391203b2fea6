// corvissa.exe under Wine: start to first frame beside a bare Win32 window of the same size,
// measured alternately in the same run; a button press to the link peer's answer; and the
// size of the executable.
//
// A program's first frame is drawn once its main window is shown and its first message
// loop answers: both programs paint their whole window before they enter it.

#include "latency.h"
#include "peerprocess.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

using ostrane::bench::LatencySummary;
using ostrane::bench::printLatency;
using ostrane::bench::summarize;
using ostrane::wintest::besideTest;
using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

constexpr int startRounds = 5;
constexpr int pressRounds = 100;

// A started program and its main window once its first frame is drawn.
struct Started {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
    double millis = 0;
};

std::optional<Started> start(const std::wstring& program, const wchar_t* windowClass,
                             const wchar_t* title) {
    Started started;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + program + L"\"";
    const auto begin = Clock::now();
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          L"C:\\", &startup, &started.process))
        return std::nullopt;
    const auto giveUp = begin + std::chrono::seconds(60);
    while (Clock::now() < giveUp) {
        const HWND window = ::FindWindowW(windowClass, title);
        DWORD_PTR answer = 0;
        if (window != nullptr && ::IsWindowVisible(window) &&
            ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10'000, &answer) != 0) {
            started.millis = Millis(Clock::now() - begin).count();
            started.window = window;
            return started;
        }
        ::Sleep(1);
    }
    ::TerminateProcess(started.process.hProcess, 1);
    return std::nullopt;
}

void stop(Started& started) {
    ::PostMessageW(started.window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(started.process.hProcess, 10'000) != WAIT_OBJECT_0)
        ::TerminateProcess(started.process.hProcess, 1);
    ::CloseHandle(started.process.hThread);
    ::CloseHandle(started.process.hProcess);
}

long long fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

int main() {
    const std::wstring corvissa = besideTest(L"corvissa.exe");
    const std::wstring bare = besideTest(L"bench_bare_window.exe");

    std::vector<double> corvissaStarts, bareStarts;
    int startFailures = 0;
    for (int i = 0; i < startRounds; ++i) {
        if (auto started = start(corvissa, L"OstraneForm", L"Corvissa")) {
            corvissaStarts.push_back(started->millis);
            stop(*started);
        } else {
            ++startFailures;
        }
        if (auto started = start(bare, L"OstraneBareWindow", L"Bare")) {
            bareStarts.push_back(started->millis);
            stop(*started);
        } else {
            ++startFailures;
        }
    }
    const LatencySummary corvissaStart = summarize(corvissaStarts, startFailures);
    const LatencySummary bareStart = summarize(bareStarts, 0);

    // A press on the stop button, as the mouse makes it, to the peer's line for it.
    std::vector<double> presses;
    int pressFailures = 0;
    {
        ostrane::wintest::LinkPeer peer;
        auto started = start(corvissa, L"OstraneForm", L"Corvissa");
        if (!peer.ready() || !started) {
            std::fprintf(stderr, "the peer or corvissa.exe did not start\n");
            return 1;
        }
        // The stop button's middle, in client pixels at 96 dots per inch.
        const HWND stopButton = ::ChildWindowFromPoint(started->window, POINT{261, 89});
        for (int i = 1; i <= pressRounds; ++i) {
            const std::string answer = "open #" + std::to_string(i) + " QV-spc|STOP";
            const auto begin = Clock::now();
            ::PostMessageW(stopButton, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            ::PostMessageW(stopButton, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            if (peer.waitForLine(answer))
                presses.push_back(Millis(Clock::now() - begin).count());
            else
                ++pressFailures;
        }
        stop(*started);
    }
    const LatencySummary press = summarize(presses, pressFailures);

    std::printf("corvissa.exe under Wine, times in milliseconds\n\n");
    std::printf("%-34s %9s %9s %9s   %s\n", "", "p50", "p99", "max", "target");
    printLatency("start to first frame, corvissa", corvissaStart, "(beside the bare one)");
    printLatency("start to first frame, bare window", bareStart, "(baseline)");
    printLatency("stop pressed to the peer's answer", press, "(none)");
    std::printf("\nstart ratio (p50, corvissa / bare window): %.2f\n",
                bareStart.p50 > 0 ? corvissaStart.p50 / bareStart.p50 : 0.0);
    std::printf("corvissa.exe: %lld bytes as built", fileSize(corvissa));
    const long long stripped = fileSize(besideTest(L"..\\package\\corvissa.exe"));
    if (stripped > 0)
        std::printf(", %lld bytes as installed (stripped)", stripped);
    std::printf("; bare window: %lld bytes\n", fileSize(bare));
    return 0;
}
