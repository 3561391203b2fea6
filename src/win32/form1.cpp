#include "win32/form1.h"

#include "core/loadspc.h"
#include "core/paneltoggle.h"
#include "core/placement.h"
#include "core/songpath.h"
#include "win32/commandbutton.h"
#include "win32/filelistbox.h"
#include "win32/form5.h"
#include "win32/label.h"
#include "win32/picturebox.h"
#include "win32/textbox.h"

namespace ostrane::win32 {

namespace {

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Green = RGB(0, 255, 0);
constexpr COLORREF Blue = RGB(0, 0, 255);

constexpr DWORD Form1Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// User handles carry 32 significant bits on 64-bit Windows too, as the record's fields do.
std::uint32_t handleField(HWND window) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
}

// The panel toggle's view of the window.
class Form1Panel final : public core::PanelControls {
public:
    Form1Panel(Form& form, Label& folderLabel, Label& state, FileListBox& list, PictureBox& toggle,
               const PictureBox& open, const PictureBox& closed, CommandButton& load)
        : form_(form), folderLabel_(folderLabel), state_(state), list_(list), toggle_(toggle),
          open_(open), closed_(closed), load_(load) {}

    void setFolderLabelTip(std::string_view tip) override { folderLabel_.setTip(tip); }
    void showListFolder() override { folderLabel_.setCaption(list_.Path()); }
    std::string state() const override { return state_.text(); }
    void setState(std::string_view state) override { state_.setCaption(state); }
    void showOpenPicture() override { toggle_.showPicture(open_.picture()); }
    void showClosedPicture() override { toggle_.showPicture(closed_.picture()); }
    void setLoadEnabled(bool enabled) override { load_.setEnabled(enabled); }
    float height() const override { return form_.Height(); }
    void setHeight(float twips) override { form_.setHeight(twips); }

private:
    Form& form_;
    Label& folderLabel_;
    Label& state_;
    FileListBox& list_;
    PictureBox& toggle_;
    const PictureBox& open_;
    const PictureBox& closed_;
    CommandButton& load_;
};

} // namespace

Form1::Form1(const Form1Platform& platform)
    : Form(core::form1Description(), Form1Style, {platform.conversations, platform.folderReader}),
      Label1(control<Label>("Label1")), Label2(control<Label>("Label2")),
      Label4(control<Label>("Label4")), Label5(control<Label>("Label5")),
      Text1(control<TextBox>("Text1")), Command1(control<CommandButton>("Command1")),
      Command2(control<CommandButton>("Command2")), Command3(control<CommandButton>("Command3")),
      Command4(control<CommandButton>("Command4")), Command5(control<CommandButton>("Command5")),
      Text2(control<LinkTextBox>("Text2")), Text3(control<LinkTextBox>("Text3")),
      Text4(control<LinkTextBox>("Text4")), Text5(control<LinkTextBox>("Text5")),
      Text6(control<LinkTextBox>("Text6")), Picture2(control<PictureBox>("Picture2")),
      Picture3(control<PictureBox>("Picture3")), Picture4(control<PictureBox>("Picture4")),
      File1(control<FileListBox>("File1")), folderPicker_(platform.folderPicker),
      notificationIcon_(platform.notificationIcon), services_{platform.conversations,
                                                              platform.folderReader},
      taskbarCreated_(::RegisterWindowMessageW(L"TaskbarCreated")) {
    Picture2.onClick = [this] { Picture2_Click(); };
    Command1.onClick = [this] { Command1_Click(); };
    File1.onDoubleClick = [this] { File1_DblClick(); };
    Command2.onClick = [this] { Command2_Click(); };
    Command3.onClick = [this] { Command3_Click(); };
    Command4.onClick = [this] { Command4_Click(); };
    Command5.onClick = [this] { Command5_Click(); };
    Label1.onMouseMove = [this] { Label1_MouseMove(); };
    Label1.onMouseDown = [this] { Label1_MouseDown(); };
    Label2.onMouseMove = [this] { Label2_MouseMove(); };
    Label2.onMouseDown = [this] { Label2_MouseDown(); };
    // The shell's callback arrives as a mouse move over Picture4 whose X is the message.
    Picture4.onMouseMove = [this](int x) {
        Picture4_MouseMove(static_cast<float>(x) * scale().twipsPerPixelX());
    };
    notificationIcon_.onShownChange([this] { trayIconShownChanged(); });
}

Form1::~Form1() {
    notificationIcon_.onShownChange({});
}

void Form1::Form1_Load() {
    centre();
    addTrayIcon();
}

void Form1::centre() {
    const float screenWidth = scale().twipsX(::GetSystemMetrics(SM_CXSCREEN));
    const float screenHeight = scale().twipsY(::GetSystemMetrics(SM_CYSCREEN));
    const core::TwipPosition position =
        core::centredOnScreen(screenWidth, screenHeight, Width(), Height());
    ::SetWindowPos(handle(), nullptr, scale().pixelsX(position.left), scale().pixelsY(position.top),
                   0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::optional<LRESULT> Form1::onMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        // A notification area that starts later gets the icon too.
        if (!unloaded_ && !notificationIcon_.shown())
            addTrayIcon();
        return 0;
    }
    switch (message) {
    case WM_SIZE:
        Form1_Resize(wParam);
        return 0;
    case WM_CLOSE:
        Form1_QueryUnload();
        unloaded_ = true;
        ::DestroyWindow(handle());
        endWhenNoWindowIsLoaded();
        return 0;
    default:
        return std::nullopt;
    }
}

bool Form1::ended() const {
    return unloaded_ && !(form5_ && form5_->loaded());
}

void Form1::Picture2_Click() {
    Form1Panel panel(*this, Label4, Label5, File1, Picture2, Picture4, Picture3, Command1);
    core::togglePanel(panel);
}

void Form1::Command1_Click() {
    core::Command1_Click(folderPicker_, reinterpret_cast<core::WindowHandle>(handle()),
                         {[this](const std::string& folder) { return File1.setPath(folder); },
                          [this](const std::string& folder) { Label4.setCaption(folder); }});
}

void Form1::File1_DblClick() {
    const std::string fileName = File1.FileName();
    if (fileName.empty())
        return;
    Text1.setText(core::songPath(File1.Path(), Label4.text(), fileName));
    Text6.setText("QV-spc|" + Text1.text());
    sendThrough(Text6);
}

void Form1::sendThrough(LinkTextBox& control) {
    control.send();
}

void Form1::Command2_Click() {
    sendThrough(Text2);
}
void Form1::Command3_Click() {
    sendThrough(Text3);
}
void Form1::Command4_Click() {
    sendThrough(Text4);
}
void Form1::Command5_Click() {
    sendThrough(Text5);
}

void Form1::addTrayIcon() {
    trayIcon_.fillForAdd(handleField(Picture4.handle()), notificationIcon_.programIcon());
    notificationIcon_.add(trayIcon_.bytes());
}

void Form1::deleteTrayIcon() {
    trayIcon_.fillForDelete(handleField(Picture4.handle()));
    notificationIcon_.remove(trayIcon_.bytes());
}

void Form1::Form1_Resize(WPARAM kind) {
    // Without an icon on screen nothing could bring a hidden window back, so it stays
    // minimised where the desktop shows it.
    if (kind == SIZE_MINIMIZED && notificationIcon_.shown())
        ::ShowWindow(handle(), SW_HIDE);
}

void Form1::Form1_QueryUnload() {
    deleteTrayIcon();
}

void Form1::Picture4_MouseMove(float x) {
    trayCallback_.handle(x, scale().twipsPerPixelX(), [this] { restoreFromTray(); });
}

void Form1::trayIconShownChanged() {
    // A window hidden in the tray was minimised first and stays iconic while hidden.
    const bool hiddenInTray =
        !unloaded_ && !::IsWindowVisible(handle()) && ::IsIconic(handle()) != FALSE;
    trayCallback_.iconShownChanged(hiddenInTray, notificationIcon_.shown(),
                                   [this] { restoreFromTray(); });
}

void Form1::restoreFromTray() {
    ::ShowWindow(handle(), ::IsIconic(handle()) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(handle());
}

void Form1::Form1_MouseMove() {
    Label1.setForeColour(White);
    Label2.setForeColour(White);
}

void Form1::Label1_MouseMove() {
    Label1.setForeColour(Blue);
}

void Form1::Label1_MouseDown() {
    deleteTrayIcon();
    // Ends the message loop without the close handling.
    ::PostQuitMessage(0);
}

void Form1::Label2_MouseMove() {
    Label2.setForeColour(Green);
}

void Form1::Label2_MouseDown() {
    Label2.setForeColour(Green);
    if (!form5_ || !form5_->loaded()) {
        form5_ = std::make_unique<Form5>(services_);
        form5_->onUnload = [this] { endWhenNoWindowIsLoaded(); };
        form5_->Form5_Load();
    }
    form5_->show();
}

void Form1::endWhenNoWindowIsLoaded() {
    if (ended())
        ::PostQuitMessage(0);
}

} // namespace ostrane::win32
