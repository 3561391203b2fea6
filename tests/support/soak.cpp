#include "support/soak.h"

#include "core/serialconversations.h"
#include "platform/unix/posixfolderreader.h"
#include "platform/unix/socketconversations.h"
#include "qt/commandbutton.h"
#include "qt/form1.h"
#include "support/fakefolderpicker.h"
#include "support/fakenotificationicon.h"
#include "support/linkpeerprocess.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace ostrane::testing {

namespace {

long residentKb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// Presses queued at most: enough to keep the conversations' thread busy, few enough that
// the queue never grows with the run.
constexpr std::size_t MaxBacklog = 8;

} // namespace

SoakFigures runSoak(const SoakOptions& options,
                    const std::function<void(const SoakSample&)>& progress) {
    SoakFigures figures;
    TempRuntimeDir runtime;
    LinkPeerProcess player(OSTRANE_MIX_PEER, runtime.path(),
                           {std::to_string(options.seed), std::to_string(options.hangPerMille),
                            std::to_string(options.refusePerMille)});
    if (!player.waitForReady())
        return figures;
    {
        auto conversations = std::make_unique<core::SerialConversations>([dir = runtime.path()] {
            return std::make_unique<platform::SocketConversations>(dir);
        });
        FakeFolderPicker folderPicker;
        FakeNotificationIcon notificationIcon;
        platform::PosixFolderReader folderReader;
        qt::Form1 form({*conversations, folderPicker, notificationIcon, folderReader});
        form.show();
        qt::CommandButton* const buttons[] = {form.Command2, form.Command3, form.Command4,
                                              form.Command5};

        auto sample = [&] {
            figures.samples.push_back({figures.conversations, openDescriptorCount(), residentKb()});
            if (progress)
                progress(figures.samples.back());
        };
        sample();

        QElapsedTimer clock;
        clock.start();
        qint64 lastBeat = 0;
        qint64 worstGap = 0;
        QTimer heartbeat;
        heartbeat.setTimerType(Qt::PreciseTimer);
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            worstGap = std::max(worstGap, now - lastBeat);
            lastBeat = now;
        });

        const std::size_t every =
            std::max<std::size_t>(1, options.conversations / std::max(1, options.samples));
        QEventLoop loop;
        QTimer driver;
        driver.setTimerType(Qt::PreciseTimer);
        qint64 slowestPress = 0;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            while (figures.conversations < options.conversations &&
                   conversations->backlog() < MaxBacklog) {
                const qint64 before = clock.nsecsElapsed();
                buttons[figures.conversations % 4]->click();
                slowestPress = std::max(slowestPress, clock.nsecsElapsed() - before);
                if (++figures.conversations % every == 0)
                    sample();
            }
            if (figures.conversations == options.conversations && conversations->backlog() == 0)
                loop.quit();
        });
        heartbeat.start(10);
        lastBeat = clock.nsecsElapsed();
        driver.start(1);
        loop.exec();
        figures.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        figures.worstGapMs = static_cast<double>(worstGap) / 1e6;
        figures.slowestPressMs = static_cast<double>(slowestPress) / 1e6;
    }
    player.signal(SIGTERM);
    player.waitForExit();
    for (const std::string& line : player.lines())
        if (line.starts_with("served "))
            figures.playerCounts = line;
    return figures;
}

} // namespace ostrane::testing
