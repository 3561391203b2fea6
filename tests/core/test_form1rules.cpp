#include "core/folderreader.h"
#include "core/form1rules.h"
#include "core/shades.h"
#include "support/fakeconversations.h"
#include "support/fakefolderpicker.h"
#include "support/fakenotificationicon.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ostrane::core {
namespace {

// A front end that records what the rules ask of it, one line per call.
class RecordingWindow final : public Form1Window {
public:
    std::vector<std::string> calls;
    std::string listed = "/songs";
    bool hidden = false;
    bool about = false;

    void setCaption(std::string_view c, std::string_view t) override { note(c, "=", t); }
    void setTip(std::string_view c, std::string_view t) override { note(c, " tip ", t); }
    void setControlEnabled(std::string_view c, bool on) override {
        note(c, on ? " on" : " off", "");
    }
    void setForeColour(std::string_view c, Colour colour) override {
        note(c, " colour ", std::to_string(colour.value()));
    }
    void showPictureOf(std::string_view c, std::string_view source) override {
        note(c, " shows ", source);
    }
    bool listFolder(const std::string& folder) override {
        note("File1", "=", folder);
        listed = folder;
        return true;
    }
    std::string listedFolder() const override { return listed; }
    void setLinkAddress(std::string_view c, std::string_view a) override { note(c, "=", a); }
    void send(std::string_view c) override { note(c, " send", ""); }
    float outerHeight() const override { return 3000; }
    void setOuterHeight(float) override {}
    WindowHandle owner() const override { return 7; }
    std::uint32_t trayCallbackWindow() const override { return 9; }
    bool minimisedAndHidden() const override { return hidden; }
    void hideInTray() override { calls.push_back("hide"); }
    void restoreInPlace() override { calls.push_back("restore"); }
    void showAbout() override {
        about = true;
        calls.push_back("about");
    }
    bool aboutLoaded() const override { return about; }
    void endProgram() override { calls.push_back("end"); }

private:
    void note(std::string_view control, std::string_view what, std::string_view value) {
        calls.push_back(std::string(control).append(what).append(value));
    }
};

class Form1RulesTest : public ::testing::Test {
protected:
    RecordingWindow window;
    testing::FakeConversations conversations;
    testing::FakeFolderPicker picker;
    testing::FakeNotificationIcon icon;
    struct NoFolders : FolderReader {
        bool read(const std::string&, const std::function<void(const FolderEntry&)>&) override {
            return false;
        }
    } reader;
    Form1Rules rules{window, {conversations, picker, icon, reader}};
};

TEST_F(Form1RulesTest, TheTitleLabelsLightUpInTheirRowsColoursAndTheSurfaceRestsBoth) {
    rules.Label1_MouseMove();
    rules.Label2_MouseMove();
    rules.Form1_MouseMove();
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"Label1 colour 16711680", "Label2 colour 65280",
                                        "Label2 colour 16777215", "Label1 colour 16777215"}));
}

TEST_F(Form1RulesTest, ASongIsSentAsTheFileSystemsBytesUnderTheLabelsFolder) {
    picker.answer = "/m\xffsic";
    rules.Command1_Click();
    rules.File1_DblClick("");
    rules.File1_DblClick("a\nb.spc");
    EXPECT_EQ(window.calls, (std::vector<std::string>{
                                "File1=/m\xffsic", "Label4=/m\xffsic", "Text1=/m\xffsic/a\nb.spc",
                                "Text6=QV-spc|/m\xffsic/a\nb.spc", "Text6 send"}));
    EXPECT_EQ(rules.songFolder().label(), "/m\xffsic");
}

TEST_F(Form1RulesTest, TheProgramEndsOnlyWhenNoWindowIsLoaded) {
    struct Case {
        bool aboutOpen, aboutClosedLater;
        std::vector<std::string> calls;
    };
    for (const Case& c : {Case{false, false, {"end"}}, Case{true, false, {"about"}},
                          Case{true, true, {"about", "end"}}}) {
        RecordingWindow fresh;
        Form1Rules own{fresh, {conversations, picker, icon, reader}};
        if (c.aboutOpen)
            own.Label2_MouseDown();
        own.Form1_Unload();
        if (c.aboutClosedLater) {
            fresh.about = false;
            own.Form5_Unload();
        }
        std::erase_if(fresh.calls,
                      [](const std::string& call) { return call.starts_with("Label"); });
        EXPECT_EQ(fresh.calls, c.calls);
        EXPECT_EQ(own.ended(), c.calls.back() == "end");
    }
}

TEST_F(Form1RulesTest, TheWindowHidesOnlyIntoAnIconThatIsShownAndComesBackWhenItGoes) {
    rules.Form1_Resize(true);
    EXPECT_TRUE(window.calls.empty());
    rules.Form1_Load();
    rules.Form1_Resize(false);
    rules.Form1_Resize(true);
    window.hidden = true;
    icon.setAreaPresent(false);
    rules.trayIconShownChanged();
    EXPECT_EQ(window.calls, (std::vector<std::string>{"hide", "restore"}));
    EXPECT_EQ(icon.events, (std::vector<std::string>{"add QV-SPC Ostrane"}));
}

TEST(ButtonShades, RaisedAndSunkenBevelsOfTheFacesTheWindowsUse) {
    const Colour grey = Colour::rgb(192, 192, 192);
    const Bevel raised = buttonBevel(grey, false);
    EXPECT_EQ(raised.outerLight, Colour::rgb(255, 255, 255));
    EXPECT_EQ(raised.innerLight, Colour::rgb(240, 240, 240));
    EXPECT_EQ(raised.innerDark, Colour::rgb(129, 129, 129));
    EXPECT_EQ(raised.outerDark, Colour::rgb(0, 0, 0));
    const Bevel sunken = buttonBevel(grey, true);
    EXPECT_EQ(sunken.outerLight, raised.outerDark);
    EXPECT_EQ(sunken.outerDark, raised.outerLight);
    EXPECT_EQ(sunken.innerDark, grey);
    // Past the top, the value's excess comes out of the saturation; black stays black.
    EXPECT_EQ(shaded(Colour::rgb(192, 192, 0), 125), Colour::rgb(240, 240, 0));
    EXPECT_EQ(shaded(Colour::rgb(128, 128, 255), 150), Colour::rgb(255, 255, 255));
    EXPECT_EQ(shaded(Colour::rgb(0, 0, 0), 150), Colour::rgb(0, 0, 0));
    EXPECT_EQ(etchedCaption(Colour::rgb(192, 192, 0)).dark, Colour::rgb(119, 119, 0));
}

} // namespace
} // namespace ostrane::core
