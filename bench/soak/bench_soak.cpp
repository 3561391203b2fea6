// bench_soak [CONVERSATIONS [SEED [HANG_PER_MILLE]]]: the window sends CONVERSATIONS
// (100,000) conversations through the conversations main gives it to a player that accepts,
// refuses (30 %) or never answers (HANG_PER_MILLE, 1 per mille) at random, and prints open
// descriptors and resident memory along the way and the window's worst pause.
// Runs on the platform Qt picks: offscreen unless QT_QPA_PLATFORM or a display says else.

#include "support/soak.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, argv);

    ostrane::testing::SoakOptions options;
    if (argc > 1)
        options.conversations = std::strtoul(argv[1], nullptr, 10);
    if (argc > 2)
        options.seed = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
    if (argc > 3)
        options.hangPerMille = static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10));

    std::printf("soak: %zu conversations, seed %u, %u per mille hang, %u per mille refused\n",
                options.conversations, options.seed, options.hangPerMille, options.refusePerMille);
    std::printf("%14s %12s %12s\n", "conversations", "descriptors", "resident KB");
    const auto figures = ostrane::testing::runSoak(options, [](const auto& sample) {
        std::printf("%14zu %12zu %12ld\n", sample.conversations, sample.descriptors,
                    sample.residentKb);
        std::fflush(stdout);
    });
    if (figures.samples.size() < 3) {
        std::fprintf(stderr, "bench_soak: the soak did not run\n");
        return 1;
    }
    const auto& warm = figures.samples[1];
    const auto& last = figures.samples.back();
    std::printf("player: %s\n", figures.playerCounts.c_str());
    std::printf("time: %.1f s (%.0f conversations/s)\n", figures.seconds,
                static_cast<double>(figures.conversations) / figures.seconds);
    std::printf("descriptors after warm-up: %zu -> %zu (target: flat, +-2)\n", warm.descriptors,
                last.descriptors);
    std::printf("resident after warm-up: %ld -> %ld KB, %+ld KB (target: under 1024 KB)\n",
                warm.residentKb, last.residentKb, last.residentKb - warm.residentKb);
    std::printf("worst heartbeat interval: %.1f ms for a 10 ms timer (target: under 100 ms)\n",
                figures.worstGapMs);
    std::printf("slowest press: %.2f ms\n", figures.slowestPressMs);
    return 0;
}
