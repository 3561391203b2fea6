// corvissa.exe as installed (stripped) under Wine: start to first frame beside a bare Win32
// window of the same size, measured alternately in the same run; a button press to the link
// peer's answer; with a peer that never answers, how soon the window repaints while five
// presses wait and how long EXIT and closing take to end it; and the size of the executable.
//
// A program's first frame is drawn once its main window is shown and its first message
// loop answers: both programs paint their whole window before they enter it.

#include "latency.h"
#include "peerprocess.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
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

constexpr int startRounds = 12;
constexpr int pressRounds = 100;
constexpr int repaintRounds = 40;
constexpr int endRounds = 3;

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

double millisOf(const FILETIME& time) {
    return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                               time.dwLowDateTime) /
           10'000.0;
}

struct Stopped {
    // From the close posted to the process's end.
    double endMillis = 0;
    // The processor time of the whole run, user and kernel.
    double cpuMillis = 0;
};

Stopped stop(Started& started) {
    const auto begin = Clock::now();
    ::PostMessageW(started.window, WM_CLOSE, 0, 0);
    const bool ended = ::WaitForSingleObject(started.process.hProcess, 10'000) == WAIT_OBJECT_0;
    const double endMillis = Millis(Clock::now() - begin).count();
    if (!ended)
        ::TerminateProcess(started.process.hProcess, 1);
    FILETIME created, exited, kernel{}, user{};
    ::GetProcessTimes(started.process.hProcess, &created, &exited, &kernel, &user);
    ::CloseHandle(started.process.hThread);
    ::CloseHandle(started.process.hProcess);
    return {endMillis, millisOf(kernel) + millisOf(user)};
}

// The stop button's middle, in client pixels at 96 dots per inch.
HWND stopButtonOf(HWND window) {
    return ::ChildWindowFromPoint(window, POINT{261, 89});
}

void press(HWND button) {
    ::PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

// corvissa.exe with five presses held by a peer that never answers.
std::optional<Started> startHeld(ostrane::wintest::LinkPeer& peer, const std::wstring& corvissa) {
    auto started = start(corvissa, L"OstraneForm", L"Corvissa");
    if (!started)
        return std::nullopt;
    for (int i = 0; i < 5; ++i)
        press(stopButtonOf(started->window));
    if (!peer.waitFor([](const std::string& line) { return line.starts_with("hang #"); })) {
        ::TerminateProcess(started->process.hProcess, 1);
        return std::nullopt;
    }
    return started;
}

// From an invalidated window to its update region emptied by its paint.
std::optional<double> repaint(HWND window) {
    const auto begin = Clock::now();
    ::InvalidateRect(window, nullptr, FALSE);
    while (::GetUpdateRect(window, nullptr, FALSE) != FALSE) {
        if (Clock::now() - begin > std::chrono::seconds(10))
            return std::nullopt;
        ::Sleep(0);
    }
    return Millis(Clock::now() - begin).count();
}

// From `end` posted to the process's exit.
std::optional<double> timeToEnd(Started& started, const std::function<void()>& end) {
    const auto begin = Clock::now();
    end();
    const bool ended = ::WaitForSingleObject(started.process.hProcess, 10'000) == WAIT_OBJECT_0;
    const double millis = Millis(Clock::now() - begin).count();
    if (!ended)
        ::TerminateProcess(started.process.hProcess, 1);
    ::CloseHandle(started.process.hThread);
    ::CloseHandle(started.process.hProcess);
    return ended ? std::optional<double>(millis) : std::nullopt;
}

long long fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Start to first frame of each program beside the bare window's in the same round, and the
// ratio to the bare window within each round. Each round starts the next program of the
// list first, the bare window taking its turn too: one that follows another's end starts
// slower, while Wine is still tidying up after it.
struct StartFigures {
    std::vector<double> starts, cpu, ratios;
    int failures = 0;
};

void measureStarts(const std::vector<std::wstring>& programs, const std::wstring& bare,
                   std::vector<StartFigures>& figures, StartFigures& bareFigures,
                   std::vector<double>& bareEnds) {
    figures.assign(programs.size(), {});
    const std::size_t count = programs.size() + 1;
    for (int round = 0; round < startRounds; ++round) {
        std::vector<std::optional<Started>> runs(count);
        for (std::size_t turn = 0; turn < count; ++turn) {
            const std::size_t p = (turn + static_cast<std::size_t>(round)) % count;
            const bool isBare = p == programs.size();
            runs[p] = isBare ? start(bare, L"OstraneBareWindow", L"Bare")
                             : start(programs[p], L"OstraneForm", L"Corvissa");
            if (!runs[p])
                continue;
            const Stopped stopped = stop(*runs[p]);
            (isBare ? bareFigures : figures[p]).cpu.push_back(stopped.cpuMillis);
            if (isBare)
                bareEnds.push_back(stopped.endMillis);
        }
        const std::optional<Started>& second = runs.back();
        if (second)
            bareFigures.starts.push_back(second->millis);
        else
            ++bareFigures.failures;
        for (std::size_t p = 0; p < programs.size(); ++p) {
            if (!runs[p] || !second) {
                ++figures[p].failures;
                continue;
            }
            figures[p].starts.push_back(runs[p]->millis);
            figures[p].ratios.push_back(runs[p]->millis / second->millis);
        }
    }
}

void printRatio(const char* what, const std::vector<double>& ratios) {
    std::printf("start ratio, %s / bare window of the same round: median %.2f, min %.2f "
                "(target 1.30; %zu rounds, interleaved)\n",
                what, summarize(ratios, 0).p50,
                ratios.empty() ? 0.0 : *std::min_element(ratios.begin(), ratios.end()),
                ratios.size());
}

} // namespace

// Arguments: `--starts-only` measures the start alone; `--beside PROGRAM` measures another
// build of corvissa.exe (an earlier one) in the same rounds, for a before-and-after figure.
int main(int argc, char** argv) {
    // The program as installed: the debugging record of the build slows every start.
    const std::wstring corvissa = besideTest(L"corvissa-stripped.exe");
    const std::wstring bare = besideTest(L"bench_bare_window.exe");
    bool startsOnly = false;
    std::vector<std::wstring> programs{corvissa};
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--starts-only") {
            startsOnly = true;
        } else if (argument == "--beside" && i + 1 < argc) {
            const std::string path = argv[++i];
            programs.emplace_back(path.begin(), path.end());
        } else {
            std::fprintf(stderr, "usage: bench_corvissa [--starts-only] [--beside PROGRAM]\n");
            return 2;
        }
    }

    std::vector<StartFigures> figures;
    StartFigures bareFigures;
    std::vector<double> bareEnds;
    measureStarts(programs, bare, figures, bareFigures, bareEnds);
    const LatencySummary corvissaStart = summarize(figures[0].starts, figures[0].failures);
    const LatencySummary bareStart = summarize(bareFigures.starts, bareFigures.failures);
    const LatencySummary corvissaStartCpu = summarize(figures[0].cpu, 0);
    const LatencySummary bareStartCpu = summarize(bareFigures.cpu, 0);
    if (startsOnly) {
        std::printf("%-34s %9s %9s %9s   %s\n", "", "p50", "p99", "max", "target");
        printLatency("start to first frame, corvissa", corvissaStart, "(beside the bare one)");
        if (programs.size() > 1)
            printLatency("start to first frame, the other", summarize(figures[1].starts, 0),
                         "(beside the bare one)");
        printLatency("start to first frame, bare window", bareStart, "(baseline)");
        printLatency("processor time of a run, corvissa", corvissaStartCpu,
                     "(beside the bare one)");
        printLatency("processor time of a run, bare", bareStartCpu, "(baseline)");
        std::printf("\n");
        printRatio("corvissa", figures[0].ratios);
        if (programs.size() > 1)
            printRatio("the other", figures[1].ratios);
        return 0;
    }

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
        const HWND stopButton = stopButtonOf(started->window);
        for (int i = 1; i <= pressRounds; ++i) {
            const std::string answer = "open #" + std::to_string(i) + " QV-spc|STOP";
            const auto begin = Clock::now();
            press(stopButton);
            if (peer.waitForLine(answer))
                presses.push_back(Millis(Clock::now() - begin).count());
            else
                ++pressFailures;
        }
        stop(*started);
    }
    const LatencySummary pressed = summarize(presses, pressFailures);

    // A peer that never answers: repaints while five presses wait, then the ends.
    std::vector<double> repaints, exits, closes;
    int repaintFailures = 0, endFailures = 0;
    for (int round = 0; round < endRounds; ++round) {
        for (const bool byExit : {true, false}) {
            ostrane::wintest::LinkPeer peer({L"--hang"});
            auto started = peer.ready() ? startHeld(peer, corvissa) : std::nullopt;
            if (!started) {
                ++endFailures;
                continue;
            }
            for (int i = 0; byExit && round == 0 && i < repaintRounds; ++i) {
                if (const auto millis = repaint(started->window))
                    repaints.push_back(*millis);
                else
                    ++repaintFailures;
                ::Sleep(25);
            }
            const HWND window = started->window;
            // EXIT is a label: its presses go to the window beneath, at the label's middle.
            const auto millis = timeToEnd(*started, [&] {
                if (byExit)
                    ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(24, 29));
                else
                    ::PostMessageW(window, WM_CLOSE, 0, 0);
            });
            if (millis)
                (byExit ? exits : closes).push_back(*millis);
            else
                ++endFailures;
        }
    }
    const LatencySummary repainted = summarize(repaints, repaintFailures);
    const LatencySummary exited = summarize(exits, endFailures);
    const LatencySummary closed = summarize(closes, 0);

    std::printf("corvissa.exe under Wine, times in milliseconds\n\n");
    std::printf("%-34s %9s %9s %9s   %s\n", "", "p50", "p99", "max", "target");
    printLatency("start to first frame, corvissa", corvissaStart, "(beside the bare one)");
    printLatency("start to first frame, bare window", bareStart, "(baseline)");
    printLatency("processor time of a run, corvissa", corvissaStartCpu, "(beside the bare one)");
    printLatency("processor time of a run, bare", bareStartCpu, "(baseline)");
    printLatency("stop pressed to the peer's answer", pressed, "(none)");
    printLatency("hung peer: repaint, 5 presses held", repainted, "100");
    printLatency("hung peer: EXIT to the end", exited, "1000");
    printLatency("hung peer: close to the end", closed, "1000");
    printLatency("bare window: close to the end", summarize(bareEnds, 0), "(baseline)");
    std::printf("\n");
    printRatio("corvissa", figures[0].ratios);
    if (programs.size() > 1)
        printRatio("the other", figures[1].ratios);
    std::printf("corvissa.exe: %lld bytes as built, %lld bytes as installed (stripped)",
                fileSize(besideTest(L"corvissa.exe")), fileSize(corvissa));
    std::printf("; bare window: %lld bytes\n", fileSize(bare));
    return 0;
}
