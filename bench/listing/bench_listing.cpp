// The song list and the panel, printed beside their baselines: listing a folder of 100,000
// files, half of them songs, into File1 against a bare readdir-and-match of the same folder,
// with a first listing (no earlier list's memory to fill) and the listing's stages (read,
// match, sort, display) beside it; the resident memory the list takes; the panel's twelve
// height steps against twelve resizes of a bare window. Wall and CPU time, medians of
// interleaved runs. Needs a display (X or QT_QPA_PLATFORM=offscreen).
#include "core/naturalorder.h"
#include "core/songlisting.h"
#include "qt/displaytext.h"
#include "qt/filelistbox.h"
#include "qt/form1.h"
#include "qt/nativeplatform.h"
#include "qt/picturebox.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Entries = 100'000;
constexpr int Runs = 9;

double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double timeMs(const std::function<void()>& work) {
    const auto started = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - started).count();
}

double cpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Wall and CPU time of each run of one piece of work.
struct Timings {
    std::vector<double> wall, cpu;

    void time(const std::function<void()>& work) {
        const double cpuBefore = cpuMs();
        wall.push_back(timeMs(work));
        cpu.push_back(cpuMs() - cpuBefore);
    }
};

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmRSS:"))
            return std::stol(line.substr(6));
    return 0;
}

// Half the names are songs, spread over the ten endings in both cases.
void fill(const std::string& folder) {
    const char* const songEndings[] = {".spc", ".SP1", ".sp2", ".Sp3", ".sp4",
                                       ".SP5", ".sp6", ".sp7", ".SPC", ".sp9"};
    const char* const otherEndings[] = {".txt", ".sp0", ".spc.bak", "", ".rsn"};
    for (int i = 0; i < Entries; ++i) {
        std::string name = folder + "/Track " + std::to_string(i);
        name += i % 2 == 0 ? songEndings[(i / 2) % 10] : otherEndings[(i / 2) % 5];
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd >= 0)
            ::close(fd);
    }
}

bool looksLikeSong(const char* name) {
    const std::size_t length = std::strlen(name);
    if (length < 4 || name[length - 4] != '.')
        return false;
    const char s = name[length - 3], p = name[length - 2], last = name[length - 1];
    return (s == 's' || s == 'S') && (p == 'p' || p == 'P') &&
           (last == 'c' || last == 'C' || (last >= '1' && last <= '9'));
}

// The baseline: the file system's own listing, tested name by name, nothing kept.
std::size_t rawListing(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    std::size_t songs = 0;
    while (const dirent* entry = readdir(dir))
        if (entry->d_type == DT_REG && looksLikeSong(entry->d_name))
            ++songs;
    closedir(dir);
    return songs;
}

void click(QWidget* target) {
    const QPointF at = QRectF(target->rect()).center();
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
}

} // namespace

int main(int, char** argv) {
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);

    QTemporaryDir songs, empty;
    const std::string folder = songs.path().toStdString();
    fill(folder);
    rawListing(folder); // warm the file system's caches

    ostrane::qt::NativePlatform platform;
    ostrane::qt::Form1 form1(platform.form1());
    form1.show();
    QApplication::processEvents();
    ostrane::qt::FileListBox& list = *form1.File1;

    if (!list.setPath(empty.path().toStdString()))
        return 1;
    QApplication::processEvents();
    const long before = residentKb();
    if (!list.setPath(folder))
        return 1;
    QApplication::processEvents();
    const long growth = residentKb() - before;
    const int listed = list.ListCount();

    // The listing's stages one by one, as listSongs and the list run them.
    auto& reader = platform.folderReader;
    const ostrane::core::FilePattern pattern(list.Pattern().toStdString());
    auto readOnly = [&] {
        std::size_t entries = 0;
        reader.read(folder, [&](const ostrane::core::FolderEntry&) { ++entries; });
        return entries;
    };
    // Each stage reuses its memory from run to run, as the list does.
    ostrane::core::NameList names;
    auto readAndMatch = [&] {
        names.clear();
        reader.read(folder, [&](const ostrane::core::FolderEntry& entry) {
            const std::string_view name = entry.name();
            if (!name.starts_with('.') && pattern.matches(name) && entry.isFile())
                names.append(name);
        });
    };
    readAndMatch();
    const ostrane::core::NameList matched = names;
    ostrane::core::NaturalSort naturalSort;
    ostrane::core::NameList sorting;

    Timings raw, file1, first, read, match, sort, display;
    std::size_t rawSongs = 0;
    for (int run = 0; run < Runs; ++run) {
        raw.time([&] { rawSongs = rawListing(folder); });
        file1.time([&] {
            if (!list.setPath(folder))
                std::fprintf(stderr, "cannot list %s\n", folder.c_str());
        });
        first.time([&] { ostrane::core::SongLister().list(reader, folder, pattern); });
        read.time([&] { readOnly(); });
        match.time([&] { readAndMatch(); });
        sorting = matched;
        sort.time([&] { naturalSort.sort(sorting); });
        display.time([&] {
            for (const std::string_view name : matched)
                ostrane::qt::displayText(name);
        });
    }

    // The panel: each click runs all twelve steps before it returns.
    std::vector<double> opening, closing, bare;
    for (int run = 0; run < Runs; ++run) {
        opening.push_back(timeMs([&] { click(form1.Picture2); }));
        QApplication::processEvents();
        closing.push_back(timeMs([&] { click(form1.Picture2); }));
        QApplication::processEvents();
    }
    QWidget window;
    window.setFixedSize(form1.size());
    window.show();
    QApplication::processEvents();
    for (int run = 0; run < Runs; ++run) {
        bare.push_back(timeMs([&] {
            for (int step = 0; step < 12; ++step)
                window.setFixedHeight(window.height() + 13);
        }));
        window.setFixedHeight(form1.height());
        QApplication::processEvents();
    }

    std::printf("song list, %d entries, median of %d runs     wall ms   CPU ms  wall/base  "
                "CPU/base  target\n",
                Entries, Runs);
    auto row = [&](const char* what, const Timings& timings, const char* target) {
        std::printf("%-42s %8.1f %8.1f  %9.2f  %8.2f  %s\n", what, median(timings.wall),
                    median(timings.cpu), median(timings.wall) / median(raw.wall),
                    median(timings.cpu) / median(raw.cpu), target);
    };
    std::printf("File1 lists %d songs, readdir finds %zu\n", listed, rawSongs);
    row("File1.setPath, the whole listing", file1, "<= 1.25");
    row("  a first listing, no list's memory to fill", first, "");
    row("baseline: readdir and match", raw, "");
    row("  stage: read the folder", read, "");
    row("  stage: read and match", match, "");
    row("  stage: sort", sort, "");
    row("  stage: display text of every name", display, "(made per row shown)");
    std::printf("resident memory growth for the list (MiB) %9.1f                    <= 25\n",
                static_cast<double>(growth) / 1024.0);
    std::printf("panel, twelve steps (ms): open            %9.2f  %9.2f         <= 30\n",
                median(opening), median(bare));
    std::printf("                          close           %9.2f\n", median(closing));
    std::printf("(baseline of the steps: twelve resizes of a bare window)\n");
    return 0;
}
