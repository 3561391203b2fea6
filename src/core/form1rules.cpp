#include "core/form1rules.h"

#include "core/linkaddress.h"
#include "core/loadspc.h"
#include "core/notificationicon.h"
#include "core/paneltoggle.h"

namespace ostrane::core {

namespace {

std::string_view captionOf(const WindowDescription& description, std::string_view control) {
    const ControlDescription* row = description.control(control);
    return row ? row->caption : std::string_view();
}

} // namespace

// The panel toggle's view of the window: its state is kept here and shown by the hidden label.
class Form1Rules::Panel final : public PanelControls {
public:
    explicit Panel(Form1Rules& rules) : rules_(rules), window_(rules.window_) {}

    void setFolderLabelTip(std::string_view tip) override { window_.setTip("Label4", tip); }
    void showListFolder() override {
        rules_.songFolder_.setLabel(window_.listedFolder());
        window_.setCaption("Label4", rules_.songFolder_.label());
    }
    std::string state() const override { return rules_.panelState_; }
    void setState(std::string_view state) override {
        rules_.panelState_ = state;
        window_.setCaption("Label5", state);
    }
    void showOpenPicture() override { window_.showPictureOf("Picture2", "Picture4"); }
    void showClosedPicture() override { window_.showPictureOf("Picture2", "Picture3"); }
    void setLoadEnabled(bool enabled) override { window_.setControlEnabled("Command1", enabled); }
    float height() const override { return window_.outerHeight(); }
    void setHeight(float twips) override { window_.setOuterHeight(twips); }

private:
    Form1Rules& rules_;
    Form1Window& window_;
};

Form1Rules::Form1Rules(Form1Window& window, const Form1Platform& platform)
    : window_(window), folderPicker_(platform.folderPicker),
      notificationIcon_(platform.notificationIcon), description_(form1Description()),
      songFolder_(captionOf(description_, "Label4")),
      panelState_(captionOf(description_, "Label5")) {}

void Form1Rules::Form1_Load() {
    addTrayIcon();
}

void Form1Rules::Form1_Unload() {
    deleteTrayIcon();
    unloaded_ = true;
    endWhenNoWindowIsLoaded();
}

void Form1Rules::Form5_Unload() {
    endWhenNoWindowIsLoaded();
}

void Form1Rules::notificationAreaStarted() {
    if (!unloaded_ && !notificationIcon_.shown())
        addTrayIcon();
}

bool Form1Rules::ended() const {
    return unloaded_ && !window_.aboutLoaded();
}

void Form1Rules::endWhenNoWindowIsLoaded() {
    if (ended())
        window_.endProgram();
}

void Form1Rules::Form1_Resize(bool minimised) {
    // Without an icon on screen nothing could bring a hidden window back, so it stays
    // minimised where the desktop shows it.
    if (minimised && notificationIcon_.shown())
        window_.hideInTray();
}

void Form1Rules::Form1_MouseMove() {
    for (const ControlDescription& row : description_.controls)
        if (!row.hoverColour.isToolkitDefault())
            window_.setForeColour(row.name, row.foreColour);
}

void Form1Rules::lightUp(std::string_view label) {
    if (const ControlDescription* row = description_.control(label))
        window_.setForeColour(label, row->hoverColour);
}

void Form1Rules::Label1_MouseMove() {
    lightUp("Label1");
}

void Form1Rules::Label1_MouseDown() {
    deleteTrayIcon();
    window_.endProgram();
}

void Form1Rules::Label2_MouseMove() {
    lightUp("Label2");
}

void Form1Rules::Label2_MouseDown() {
    lightUp("Label2");
    window_.showAbout();
}

void Form1Rules::Picture2_Click() {
    Panel panel(*this);
    togglePanel(panel);
}

void Form1Rules::Command1_Click() {
    core::Command1_Click(folderPicker_, window_.owner(),
                         {[this](const std::string& folder) { return window_.listFolder(folder); },
                          [this](const std::string& folder) {
                              songFolder_.setLabel(folder);
                              window_.setCaption("Label4", folder);
                          }});
}

void Form1Rules::File1_DblClick(std::string_view fileName) {
    if (fileName.empty())
        return;
    const std::string path = songFolder_.songPath(window_.listedFolder(), fileName);
    window_.setCaption("Text1", path);
    window_.setLinkAddress("Text6", playerAddress(path));
    window_.send("Text6");
}

void Form1Rules::Command2_Click() {
    window_.send("Text2");
}
void Form1Rules::Command3_Click() {
    window_.send("Text3");
}
void Form1Rules::Command4_Click() {
    window_.send("Text4");
}
void Form1Rules::Command5_Click() {
    window_.send("Text5");
}

void Form1Rules::addTrayIcon() {
    trayIcon_.fillForAdd(window_.trayCallbackWindow(), notificationIcon_.programIcon());
    notificationIcon_.add(trayIcon_.bytes());
}

void Form1Rules::deleteTrayIcon() {
    trayIcon_.fillForDelete(window_.trayCallbackWindow());
    notificationIcon_.remove(trayIcon_.bytes());
}

void Form1Rules::Picture4_MouseMove(float x, float twipsPerPixelX) {
    trayCallback_.handle(x, twipsPerPixelX, [this] { window_.restoreInPlace(); });
}

void Form1Rules::trayIconShownChanged() {
    // A window hidden in the tray was minimised first and keeps that state while hidden; a
    // closed window is not in the tray.
    const bool hiddenInTray = !unloaded_ && window_.minimisedAndHidden();
    trayCallback_.iconShownChanged(hiddenInTray, notificationIcon_.shown(),
                                   [this] { window_.restoreInPlace(); });
}

} // namespace ostrane::core
