#include "core/placement.h"
#include "core/traycallback.h"
#include "core/trayicon.h"
#include "core/wholenumber.h"

#include <algorithm>
#include <cfenv>
#include <gtest/gtest.h>
#include <string>

namespace ostrane::core {
namespace {

std::uint32_t le32(const NotifyIconRecord& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

TEST(TrayIcon, RecordBytesAreTheShellsLayout) {
    TrayIcon record;
    record.cbSize = 88;
    record.hWnd = 0x1234abcd;
    record.uID = 1;
    record.uFlags = TrayIcon::FlagMessage | TrayIcon::FlagIcon | TrayIcon::FlagTip;
    record.uCallbackMessage = TrayIcon::MouseMove;
    record.hIcon = 0x80706050;
    record.setTip("QV-SPC Ostrane");

    const auto bytes = record.bytes();
    ASSERT_EQ(bytes.size(), 88u);
    EXPECT_EQ(le32(bytes, 0), 88u);
    EXPECT_EQ(bytes[4], 0xcd); // little-endian
    EXPECT_EQ(le32(bytes, 4), 0x1234abcdu);
    EXPECT_EQ(le32(bytes, 8), 1u);
    EXPECT_EQ(le32(bytes, 12), 7u);
    EXPECT_EQ(le32(bytes, 16), 512u);
    EXPECT_EQ(le32(bytes, 20), 0x80706050u);
    const std::string tip(bytes.begin() + 24, bytes.end());
    EXPECT_EQ(tip, std::string("QV-SPC Ostrane") + '\0' + std::string(64 - 15, ' '));
    EXPECT_EQ(recordTip(bytes), "QV-SPC Ostrane");
}

TEST(TrayIcon, TipFieldKeepsItsNulForAnyText) {
    TrayIcon record;
    record.setTip(std::string(100, 'x'));
    EXPECT_EQ(std::string(record.szTip.begin(), record.szTip.end()), std::string(63, 'x') + '\0');
    record.setTip("");
    EXPECT_EQ(record.szTip[0], '\0');
    EXPECT_EQ(record.szTip[1], ' ');
    EXPECT_EQ(record.szTip[63], ' ');
}

TEST(TrayIcon, TheLoadFillsEveryFieldAndTheDeleteOnlyThoseThatNameTheIcon) {
    TrayIcon record;
    record.fillForAdd(0x2a, 0x77);
    const auto added = record.bytes();
    EXPECT_EQ(le32(added, 0), 88u);
    EXPECT_EQ(le32(added, 4), 0x2au);
    EXPECT_EQ(le32(added, 8), 1u);
    EXPECT_EQ(le32(added, 12), 7u);
    EXPECT_EQ(le32(added, 16), 512u);
    EXPECT_EQ(le32(added, 20), 0x77u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&added[24])), "QV-SPC Ostrane");

    record.cbSize = record.hWnd = record.uID = 0;
    record.fillForDelete(0x2b);
    const auto deleting = record.bytes();
    EXPECT_EQ(le32(deleting, 0), 88u);
    EXPECT_EQ(le32(deleting, 4), 0x2bu);
    EXPECT_EQ(le32(deleting, 8), 1u);
    EXPECT_TRUE(std::equal(added.begin() + 12, added.end(), deleting.begin() + 12));
}

TEST(TrayCallback, DecodesTheMessageNumberAtAnyDensity) {
    for (float perPixel : {15.0f, 12.0f, 1440.0f / 144.0f, 1440.0f / 120.0f}) {
        SCOPED_TRACE(perPixel);
        for (int message = 512; message <= 521; ++message) {
            TrayCallback callback;
            int restored = 0;
            callback.handle(static_cast<float>(message) * perPixel, perPixel, [&] { ++restored; });
            EXPECT_EQ(callback.TrayMessage, message);
            EXPECT_EQ(restored, message == 515 ? 1 : 0);
            EXPECT_FALSE(callback.TrayBusy);
        }
    }
}

TEST(TrayCallback, RoundsHalvesToTheEvenNeighbour) {
    TrayCallback callback;
    callback.handle(514.5f * 15, 15, [] {});
    EXPECT_EQ(callback.TrayMessage, 514);
    callback.handle(515.5f * 15, 15, [] {});
    EXPECT_EQ(callback.TrayMessage, 516);
    callback.handle(515.4f * 15, 15, [] {});
    EXPECT_EQ(callback.TrayMessage, 515);
}

TEST(TrayCallback, ACallbackRaisedWhileOneIsHandledIsDroppedButDecoded) {
    TrayCallback callback;
    int restored = 0;
    std::int32_t seenInside = 0;
    callback.handle(515 * 15, 15, [&] {
        ++restored;
        EXPECT_TRUE(callback.TrayBusy);
        callback.handle(515 * 15, 15, [&] { ++restored; });
        callback.handle(513 * 15, 15, [&] { ++restored; });
        seenInside = callback.TrayMessage;
    });
    EXPECT_EQ(restored, 1);
    EXPECT_EQ(seenInside, 513);
    EXPECT_FALSE(callback.TrayBusy);
    callback.handle(515 * 15, 15, [&] { ++restored; });
    EXPECT_EQ(restored, 2);
}

TEST(TrayCallback, OnlyAWindowHiddenInTheTrayComesBackWhenTheIconIsShownNowhere) {
    struct Case {
        bool hiddenInTray;
        bool iconShown;
        int restores;
    };
    // A window on screen, or minimised in the task bar, is reachable without the icon.
    for (const Case& c :
         {Case{true, false, 1}, Case{true, true, 0}, Case{false, false, 0}, Case{false, true, 0}}) {
        TrayCallback callback;
        int restored = 0;
        callback.iconShownChanged(c.hiddenInTray, c.iconShown, [&] { ++restored; });
        EXPECT_EQ(restored, c.restores) << c.hiddenInTray << c.iconShown;
        EXPECT_FALSE(callback.TrayBusy);
    }
}

TEST(WholeNumber, HalvesGoToEvenWhateverTheRoundingMode) {
    const int mode = std::fegetround();
    for (int rounding : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        std::fesetround(rounding);
        EXPECT_EQ(wholeNumber(2.5f), 2);
        EXPECT_EQ(wholeNumber(3.5f), 4);
        EXPECT_EQ(wholeNumber(-2.5f), -2);
        EXPECT_EQ(wholeNumber(2.4f), 2);
        EXPECT_EQ(wholeNumber(2.6f), 3);
    }
    std::fesetround(mode);
    EXPECT_EQ(wholeNumber(1e10f), 2147483647);
    EXPECT_EQ(wholeNumber(-1e10f), -2147483647 - 1);
}

TEST(WholeTwipCentring, MakesBothSizesWholeThenHalvesThemSeparately) {
    // The exact half-differences would be 3,044.5 and 1,079.5.
    EXPECT_EQ(centredInWholeTwips(12000, 5911), 3045);
    EXPECT_EQ(centredInWholeTwips(9000, 6841), 1080);
    EXPECT_EQ(centredInWholeTwips(12000, 12000), 0);
    // 5,910.5 becomes 5,910 and 5,911.5 becomes 5,912.
    EXPECT_EQ(centredInWholeTwips(12000, 5910.5f), 3045);
    EXPECT_EQ(centredInWholeTwips(12000, 5911.5f), 3044);
}

TEST(WholeTwipCentring, AWindowLargerThanTheScreenIsNotClamped) {
    EXPECT_EQ(centredInWholeTwips(6000, 6841), -420);
    EXPECT_EQ(centredInWholeTwips(6000, 9001), 3000 - 4500);
}

} // namespace
} // namespace ostrane::core
