#include "core/windowdescription.h"

#include <gtest/gtest.h>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace ostrane::core {
namespace {

constexpr Colour Black = Colour::rgb(0, 0, 0);

// The design tables, written out once more by hand, front to back.
struct Row {
    const char* name;
    ControlKind kind;
    int left, top, width, height;
    bool visible;
    int tabIndex; // -1: none given
};

struct Look {
    const char* name;
    const char* caption;
    Font font;
    Colour fore, back;
    Alignment alignment;
};

using enum ControlKind;

const Row Form1Rows[] = {
    {"File1", FileListBox, 255, 3660, 4860, 990, true, 20},
    {"Picture4", PictureBox, 4920, 1035, 360, 345, false, 19},
    {"Picture3", PictureBox, 4500, 1035, 285, 285, false, 18},
    {"Picture2", PictureBox, 2190, 2355, 870, 420, true, 17},
    {"Text6", LinkTextBox, 165, 1095, 180, 315, false, 16},
    {"Picture1", PictureBox, 870, 15, 3465, 1020, true, 10},
    {"Command5", CommandButton, 660, 2385, 1425, 360, true, 9},
    {"Text5", LinkTextBox, -15, 135, 180, 285, false, 8},
    {"Command4", CommandButton, 1380, 1200, 360, 285, true, 7},
    {"Text4", LinkTextBox, 15, -165, 180, 285, false, 6},
    {"Command3", CommandButton, 2535, 1200, 375, 285, true, 5},
    {"Text3", LinkTextBox, 0, 30, 180, 285, false, 4},
    {"Command2", CommandButton, 3735, 1200, 375, 285, true, 3},
    {"Text2", LinkTextBox, -15, -60, 180, 285, false, 2},
    {"Command1", CommandButton, 3240, 2385, 1440, 375, true, 1},
    {"Text1", TextBox, 1530, 1800, 3690, 315, true, 0},
    {"Picture5", PictureBox, -30, 3585, 5280, 1800, true, 21},
    {"Label6", Label, 75, 3030, 1725, 315, true, 22},
    {"Label5", Label, 165, 2295, 390, 315, false, 15},
    {"Label4", Label, 1830, 3030, 3450, 255, true, 14},
    {"Label3", Label, 195, 1725, 1170, 420, true, 13},
    {"Label2", Label, 4455, 300, 765, 240, true, 12},
    {"Label1", Label, 45, 300, 645, 270, true, 11},
};

const Colour White = Colour::rgb(255, 255, 255);
const Colour Green = Colour::rgb(0, 255, 0);
const Colour NoColour = ToolkitDefaultColour;

const Look Form1Looks[] = {
    {"Label1", "EXIT", {"Arial", 12, 400}, White, Black, Alignment::Centre},
    {"Label2", "ABOUT", {"Arial", 11.25f, 400}, White, Black, Alignment::Centre},
    {"Label3", "Current File Loaded:", WindowFont, Green, Black, Alignment::Centre},
    {"Label4", "Label4", WindowFont, Colour::rgb(0, 192, 0), NoColour, Alignment::Left},
    {"Label5", "", WindowFont, NoColour, NoColour, Alignment::Left},
    {"Label6", "Current Directory:", WindowFont, Green, Black, Alignment::Left},
    {"Text1", "QV-spc|c:\\windows\\desktop\\op4ton.spc", WindowFont, Colour::rgb(0, 192, 192),
     Black, Alignment::Left},
    {"Text2", "QV-spc|STOP", WindowFont, WindowTextColour, WindowBackgroundColour, Alignment::Left},
    {"Text3", "QV-spc|PLAY", WindowFont, WindowTextColour, WindowBackgroundColour, Alignment::Left},
    {"Text4", "QV-spc|PAUSE", WindowFont, WindowTextColour, WindowBackgroundColour,
     Alignment::Left},
    {"Text5", "QV-spc|QUIT", WindowFont, WindowTextColour, White, Alignment::Left},
    {"Text6", "Text6", WindowFont, WindowTextColour, WindowBackgroundColour, Alignment::Left},
    {"Command1", "Load SPC", WindowFont, NoColour, Colour::rgb(192, 192, 0), Alignment::Left},
    {"Command2", "", WindowFont, NoColour, ButtonFaceColour, Alignment::Left},
    {"Command3", "", WindowFont, NoColour, ButtonFaceColour, Alignment::Left},
    {"Command4", "", WindowFont, NoColour, ButtonFaceColour, Alignment::Left},
    {"Command5",
     "Exit QV-SPC",
     {"Tempus Sans ITC", 12, 400},
     NoColour,
     Colour::rgb(128, 128, 255),
     Alignment::Left},
    {"File1",
     "*.spc;*.sp1;*.sp2;*.sp3;*.sp4;*.sp5;*.sp6;*.sp7;*.sp8;*.sp9",
     {"Arial", 9.75f, 700},
     Green,
     Black,
     Alignment::Left},
};

const Colour Silver = Colour::rgb(192, 192, 192);

const Row Form5Rows[] = {
    {"Picture3", PictureBox, 4380, 5460, 1170, 810, true, -1},
    {"Picture2", PictureBox, 30, 960, 5685, 270, true, -1},
    {"Label13", Label, 1170, 5220, 2820, 360, true, -1},
    {"Label12", Label, 45, 5205, 1065, 330, true, -1},
    {"Label11", Label, 1185, 4830, 2940, 360, true, -1},
    {"Label10", Label, 60, 4830, 1185, 405, true, -1},
    {"Label9", Label, 1110, 4455, 1395, 390, true, -1},
    {"Label8", Label, 60, 4455, 945, 300, true, -1},
    {"Label7", Label, 1065, 3495, 3405, 735, true, -1},
    {"Label6", Label, 1080, 2685, 3525, 1005, true, -1},
    {"Label5", Label, 1095, 1695, 3810, 975, true, -1},
    {"Label4", Label, -180, 1665, 1035, 330, true, -1},
    {"Label3", Label, 30, 1335, 1950, 360, true, -1},
    {"Label2", Label, 300, 585, 4635, 315, true, -1},
    {"Label1", Label, -60, 135, 5565, 750, true, -1},
};

// Captions of the about window are its author's to word; only the heading's is fixed.
const Look Form5Looks[] = {
    {"Label13", nullptr, {"Arial", 9.75f, 400}, Colour::rgb(192, 192, 0), Black, Alignment::Left},
    {"Label12", nullptr, {"Arial", 12, 400}, Silver, Black, Alignment::Centre},
    {"Label11",
     nullptr,
     {"News Gothic MT", 11.25f, 400},
     Colour::rgb(0, 128, 128),
     Black,
     Alignment::Left},
    {"Label10", nullptr, {"Arial", 12, 400}, Silver, Black, Alignment::Left},
    {"Label9",
     nullptr,
     {"Century Gothic", 14.25f, 400},
     Colour::rgb(255, 0, 255),
     Black,
     Alignment::Left},
    {"Label8", nullptr, {"Arial", 12, 400}, Silver, Black, Alignment::Left},
    {"Label7", nullptr, {"Arial", 9.75f, 400}, Colour::rgb(255, 128, 0), Black, Alignment::Left},
    {"Label6", nullptr, {"Arial", 9.75f, 400}, Colour::rgb(0, 0, 255), Black, Alignment::Left},
    {"Label5", nullptr, {"Arial", 9.75f, 400}, Colour::rgb(255, 0, 0), Black, Alignment::Left},
    {"Label4", nullptr, {"News Gothic MT", 12, 400}, Silver, Black, Alignment::Centre},
    {"Label3",
     nullptr,
     {"Tahoma", 9.75f, 400},
     Colour::rgb(192, 192, 255),
     Black,
     Alignment::Centre},
    {"Label2",
     nullptr,
     {"Century Gothic", 12, 400},
     Colour::rgb(0, 255, 0),
     Black,
     Alignment::Centre},
    {"Label1",
     "A B O U T   T H E   C O D E R",
     {"Century Gothic", 18, 400},
     Colour::rgb(0, 192, 192),
     Black,
     Alignment::Centre},
};

const ControlDescription& rowOf(const WindowDescription& window, const char* name) {
    const ControlDescription* row = window.control(name);
    if (!row)
        throw std::runtime_error(std::string("no control ") + name);
    return *row;
}

template <std::size_t N>
void expectRowsAsDesigned(const WindowDescription& window, const Row (&rows)[N]) {
    ASSERT_EQ(window.controls.size(), N);
    std::set<std::string_view> names;
    for (std::size_t i = 0; i < N; ++i) {
        const Row& expected = rows[i];
        const ControlDescription& row = window.controls[i];
        SCOPED_TRACE(expected.name);
        // Stacking order is the order of the rows.
        EXPECT_EQ(row.name, expected.name);
        EXPECT_TRUE(names.insert(row.name).second) << "named twice";
        EXPECT_EQ(row.kind, expected.kind);
        EXPECT_EQ(row.left, expected.left);
        EXPECT_EQ(row.top, expected.top);
        EXPECT_EQ(row.width, expected.width);
        EXPECT_EQ(row.height, expected.height);
        EXPECT_EQ(row.visible, expected.visible);
        if (expected.tabIndex >= 0) {
            EXPECT_EQ(row.tabIndex, expected.tabIndex);
        }
    }
}

void expectLooksAsDesigned(const WindowDescription& window, std::span<const Look> looks) {
    for (const Look& expected : looks) {
        SCOPED_TRACE(expected.name);
        const ControlDescription& row = rowOf(window, expected.name);
        if (expected.caption) {
            EXPECT_EQ(row.caption, expected.caption);
        }
        EXPECT_EQ(row.font, expected.font);
        EXPECT_EQ(row.foreColour, expected.fore);
        EXPECT_EQ(row.backColour, expected.back);
        EXPECT_EQ(row.alignment, expected.alignment);
    }
}

void expectUniqueTabIndexes(const WindowDescription& window) {
    std::set<int> indexes;
    for (const auto& row : window.controls) {
        EXPECT_GE(row.tabIndex, 0) << row.name;
        EXPECT_TRUE(indexes.insert(row.tabIndex).second) << row.name << " shares its tab index";
    }
    // Tab indexes run from 0 without a gap, as the designer numbers them.
    EXPECT_EQ(*indexes.rbegin(), static_cast<int>(window.controls.size()) - 1);
}

TEST(Form1Description, TheWindowIsBlackWithItsCaptionFontAndClientArea) {
    const WindowDescription& form = form1Description();
    EXPECT_EQ(form.name, "Form1");
    EXPECT_EQ(form.caption, "Corvissa");
    EXPECT_EQ(form.linkTopic, "Form1");
    EXPECT_EQ(form.icon, "corvissa.ico");
    EXPECT_EQ(form.clientWidth, 5250);
    EXPECT_EQ(form.clientHeight, 2895);
    EXPECT_EQ(form.backColour, Black);
    EXPECT_EQ(form.foreColour.value(), 255u + 256u * 255u);
    EXPECT_EQ(form.font, (Font{"MS Sans Serif", 8.25f, 700}));
}

TEST(Form1Description, TwentyThreeControlsWithTheirKindsPlacesAndTabIndexes) {
    expectRowsAsDesigned(form1Description(), Form1Rows);
    expectUniqueTabIndexes(form1Description());
}

TEST(Form1Description, TextsFontsAndColours) {
    expectLooksAsDesigned(form1Description(), Form1Looks);
}

TEST(Form1Description, OnlyTheLoadButtonIsDisabledAndOnlyTheFolderLabelIsTransparent) {
    for (const auto& row : form1Description().controls) {
        SCOPED_TRACE(std::string(row.name));
        EXPECT_EQ(row.enabled, row.name != "Command1");
        EXPECT_EQ(row.opaque, row.name != "Label4");
        EXPECT_EQ(row.wordWrap, row.name == "Label3");
        EXPECT_EQ(row.autoSize, row.name == "Picture2" || row.name == "Picture5");
    }
}

TEST(Form1Description, ThePanelLiesWhollyBelowTheClosedWindow) {
    const WindowDescription& form = form1Description();
    for (const char* name : {"File1", "Label4", "Label6", "Picture5"})
        EXPECT_GE(rowOf(form, name).top, form.clientHeight) << name;
}

TEST(Form1Description, PicturesAreNamedByTheirAssetFiles) {
    const WindowDescription& form = form1Description();
    EXPECT_EQ(rowOf(form, "Picture1").picture, "banner.jpg");
    EXPECT_EQ(rowOf(form, "Picture2").picture, "filelist-closed.bmp");
    EXPECT_EQ(rowOf(form, "Picture3").picture, rowOf(form, "Picture2").picture);
    EXPECT_EQ(rowOf(form, "Picture4").picture, "filelist-open.bmp");
    EXPECT_EQ(rowOf(form, "Picture5").picture, "playlist.bmp");
    for (const char* symbol : {"stop", "play", "pause"}) {
        const char* button = symbol == std::string_view("stop")   ? "Command2"
                             : symbol == std::string_view("play") ? "Command3"
                                                                  : "Command4";
        EXPECT_EQ(rowOf(form, button).picture, std::string(symbol) + ".bmp");
        EXPECT_EQ(rowOf(form, button).downPicture, std::string(symbol) + "-down.bmp");
    }
    for (const char* name : {"Command1", "Command5"})
        EXPECT_TRUE(rowOf(form, name).picture.empty()) << name;
}

TEST(Form5Description, TheWindowIsBlackWithItsCaptionAndClientArea) {
    const WindowDescription& form = form5Description();
    EXPECT_EQ(form.name, "Form5");
    EXPECT_EQ(form.caption, "About the Coder. . .");
    EXPECT_EQ(form.linkTopic, "Form5");
    EXPECT_EQ(form.icon, "goblet.ico");
    EXPECT_EQ(form.clientWidth, 5790);
    EXPECT_EQ(form.clientHeight, 6420);
    EXPECT_EQ(form.backColour, Black);
    EXPECT_TRUE(form.font.isWindowFont());
}

TEST(Form5Description, FifteenControlsAllShownWithUniqueTabIndexes) {
    expectRowsAsDesigned(form5Description(), Form5Rows);
    expectUniqueTabIndexes(form5Description());
}

TEST(Form5Description, EveryLabelIsColouredTextOnBlackThatWraps) {
    expectLooksAsDesigned(form5Description(), Form5Looks);
    for (const auto& row : form5Description().controls) {
        if (row.kind != Label)
            continue;
        SCOPED_TRACE(std::string(row.name));
        EXPECT_FALSE(row.caption.empty());
        EXPECT_TRUE(row.wordWrap);
        // The heading alone lets the window show through.
        EXPECT_EQ(row.opaque, row.name != "Label1");
    }
}

TEST(Form5Description, TheTwoPicturesOnTheWindowBackground) {
    const WindowDescription& form = form5Description();
    EXPECT_EQ(rowOf(form, "Picture2").picture, "scrollwork.gif");
    EXPECT_EQ(rowOf(form, "Picture3").picture, "close.gif");
    for (const char* name : {"Picture2", "Picture3"}) {
        EXPECT_EQ(rowOf(form, name).backColour, WindowBackgroundColour) << name;
        EXPECT_FALSE(rowOf(form, name).autoSize) << name;
    }
}

TEST(WindowDescription, AColourValueIsRedPlus256GreenPlus65536Blue) {
    EXPECT_EQ(Colour::rgb(0, 192, 192).value(), 192u * 256u + 192u * 65536u);
    EXPECT_EQ(Colour::rgb(128, 128, 255).value(), 128u + 128u * 256u + 255u * 65536u);
    EXPECT_NE(Colour::rgb(0, 0, 0), ToolkitDefaultColour);
    EXPECT_EQ(form1Description().control("Nothing"), nullptr);
}

} // namespace
} // namespace ostrane::core
