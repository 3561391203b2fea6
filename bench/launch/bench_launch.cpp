// Launch to first shown frame, in wall and in CPU time, idle resident memory and idle wake-ups
// of Ostrane's window, beside two Qt windows of the same size built the same way: a bare one
// and one that shows a single label. With a count of files after the count of runs, also
// Ostrane's launch in a folder of that many files, half of them songs; with the path of
// another build's bench_ostrane_window after that, that build's figures too, for a before and
// after in one run. Needs an X server (DISPLAY).
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct Sample {
    double launchMs = 0;
    double cpuMs = 0;
    long rssKb = 0;
    long wakeups = 0;
};

long long monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

long statusField(const std::string& file, const char* field) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.starts_with(field))
            return std::stol(line.substr(std::strlen(field)));
    return 0;
}

// Context switches of every thread: each one is a wake-up of the process.
long contextSwitches(pid_t pid) {
    long total = 0;
    const auto tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks)) {
        const auto status = task.path().string() + "/status";
        total += statusField(status, "voluntary_ctxt_switches:") +
                 statusField(status, "nonvoluntary_ctxt_switches:");
    }
    return total;
}

Sample measure(const std::string& program, const std::string& folder = {}) {
    int out[2];
    if (pipe(out) != 0)
        std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<char*> argv{const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    const long long started = monotonicNs();
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", program.c_str());
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);

    Sample sample;
    std::string output;
    pollfd ready{out[0], POLLIN, 0};
    while (output.find('\n') == std::string::npos && poll(&ready, 1, 10'000) > 0) {
        char buffer[256];
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        output.append(buffer, static_cast<std::size_t>(got));
    }
    long long frame = 0, cpu = 0;
    if (std::sscanf(output.c_str(), "frame %lld %lld", &frame, &cpu) == 2) {
        sample.launchMs = static_cast<double>(frame - started) / 1e6;
        sample.cpuMs = static_cast<double>(cpu) / 1e6;
    }

    std::this_thread::sleep_for(std::chrono::seconds(1)); // let start-up work settle
    const auto proc = "/proc/" + std::to_string(pid) + "/status";
    sample.rssKb = statusField(proc, "VmRSS:");
    const long before = contextSwitches(pid);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    sample.wakeups = contextSwitches(pid) - before;

    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    close(out[0]);
    return sample;
}

template <typename Field> double median(std::vector<Sample> samples, Field field) {
    std::sort(samples.begin(), samples.end(),
              [&](const Sample& a, const Sample& b) { return field(a) < field(b); });
    return static_cast<double>(field(samples[samples.size() / 2]));
}

// `count` empty files, half of them songs, in a new folder under the system's temporary one.
std::string folderOfFiles(int count) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("ostrane-launch-" + std::to_string(getpid()));
    std::filesystem::create_directory(folder);
    for (int i = 0; i < count; ++i) {
        const auto name = folder / ("Track " + std::to_string(i) + (i % 2 ? ".txt" : ".spc"));
        std::ofstream{name};
    }
    return folder.string();
}

} // namespace

int main(int argc, char** argv) {
    // Absolute: the launch in a folder of files starts the program from that folder.
    const std::filesystem::path folder =
        std::filesystem::absolute(std::filesystem::path(argv[0])).parent_path();
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const int files = argc > 2 ? std::max(0, std::atoi(argv[2])) : 0;
    const std::string songs = files > 0 ? folderOfFiles(files) : std::string();
    const std::string earlierProgram = argc > 3 ? argv[3] : "";
    std::vector<Sample> ostrane, label, bare, inSongs, earlier;
    std::vector<std::function<void()>> starts{
        [&] { bare.push_back(measure(folder / "bench_bare_window")); },
        [&] { label.push_back(measure(folder / "bench_label_window")); },
        [&] { ostrane.push_back(measure(folder / "bench_ostrane_window")); }};
    if (!songs.empty())
        starts.emplace_back(
            [&] { inSongs.push_back(measure(folder / "bench_ostrane_window", songs)); });
    if (!earlierProgram.empty())
        starts.emplace_back([&] { earlier.push_back(measure(earlierProgram)); });
    // Interleaved, so that a busy moment of the machine touches all alike, and each round
    // begins with the next program, so that none always follows the same one.
    for (int run = 0; run < runs; ++run)
        for (std::size_t i = 0; i < starts.size(); ++i)
            starts[(static_cast<std::size_t>(run) + i) % starts.size()]();
    if (!songs.empty())
        std::filesystem::remove_all(songs);
    auto launch = [](const Sample& s) { return s.launchMs; };
    auto cpu = [](const Sample& s) { return s.cpuMs; };
    auto rss = [](const Sample& s) { return s.rssKb; };
    auto wakeups = [](const Sample& s) { return s.wakeups; };

    std::printf("launch and idle, median of %d runs   Ostrane  one label    bare Qt  "
                "/label   /bare  target\n",
                runs);
    auto row = [&](const char* what, auto field, const char* format, const char* target) {
        const double ours = median(ostrane, field);
        const double withLabel = median(label, field);
        const double plain = median(bare, field);
        std::printf(format, what, ours, withLabel, plain, ours / withLabel, ours / plain, target);
    };
    row("launch to first frame (ms)", launch, "%-32s %9.1f  %9.1f  %9.1f  %6.2f  %6.2f  %s\n",
        "<= 1.10 of one label");
    row("  CPU time to first frame (ms)", cpu, "%-32s %9.1f  %9.1f  %9.1f  %6.2f  %6.2f  %s\n",
        "<= 1.15 of one label");
    row("idle resident memory (KiB)", rss, "%-32s %9.0f  %9.0f  %9.0f  %6.2f  %6.2f  %s\n",
        "<= 1.10 of one label");
    std::printf("%-32s %9.0f  %9.0f  %9.0f                  0\n", "wake-ups in 2 s idle",
                median(ostrane, wakeups), median(label, wakeups), median(bare, wakeups));
    if (!earlier.empty())
        std::printf("the other build: first frame %.1f ms (%.2f), CPU %.1f ms (%.2f), "
                    "idle resident %.0f KiB (%.2f)\n",
                    median(earlier, launch), median(earlier, launch) / median(label, launch),
                    median(earlier, cpu), median(earlier, cpu) / median(label, cpu),
                    median(earlier, rss), median(earlier, rss) / median(label, rss));
    if (!songs.empty())
        std::printf("in a folder of %d files: first frame %.1f ms, CPU %.1f ms   "
                    "target <= 1200 ms\n",
                    files, median(inSongs, launch), median(inSongs, cpu));
}
