#include "win32/form1.h"

#include "core/placement.h"
#include "win32/commandbutton.h"
#include "win32/filelistbox.h"
#include "win32/form5.h"
#include "win32/label.h"
#include "win32/picturebox.h"
#include "win32/textbox.h"

namespace ostrane::win32 {

namespace {

constexpr DWORD Form1Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// Posted by the load to itself; a window destroyed before the loop reaches it never gets it.
constexpr UINT loadAfterFirstFrameMessage = WM_APP + 21;

// User handles carry 32 significant bits on 64-bit Windows too, as the record's fields do.
std::uint32_t handleField(HWND window) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
}

} // namespace

Form1::Form1(const core::Form1Platform& platform)
    : Form(core::form1Description(), Form1Style,
           {platform.conversations, platform.folderReader, platform.songFiles}),
      Label1(control<Label>("Label1")), Label2(control<Label>("Label2")),
      Label4(control<Label>("Label4")), Label5(control<Label>("Label5")),
      Text1(control<TextBox>("Text1")), Command1(control<CommandButton>("Command1")),
      Command2(control<CommandButton>("Command2")), Command3(control<CommandButton>("Command3")),
      Command4(control<CommandButton>("Command4")), Command5(control<CommandButton>("Command5")),
      Text2(control<LinkTextBox>("Text2")), Text3(control<LinkTextBox>("Text3")),
      Text4(control<LinkTextBox>("Text4")), Text5(control<LinkTextBox>("Text5")),
      Text6(control<LinkTextBox>("Text6")), Picture2(control<PictureBox>("Picture2")),
      Picture3(control<PictureBox>("Picture3")), Picture4(control<PictureBox>("Picture4")),
      File1(control<FileListBox>("File1")),
      notificationIcon_(platform.notificationIcon), services_{platform.conversations,
                                                              platform.folderReader,
                                                              platform.songFiles},
      rules_(*this, platform), taskbarCreated_(::RegisterWindowMessageW(L"TaskbarCreated")) {
    auto& rules = rules_;
    Picture2.onClick = [&rules] { rules.Picture2_Click(); };
    Command1.onClick = [&rules] { rules.Command1_Click(); };
    File1.onDoubleClick = [this] { rules_.File1_DblClick(File1.FileName()); };
    Command2.onClick = [&rules] { rules.Command2_Click(); };
    Command3.onClick = [&rules] { rules.Command3_Click(); };
    Command4.onClick = [&rules] { rules.Command4_Click(); };
    Command5.onClick = [&rules] { rules.Command5_Click(); };
    Label1.onMouseMove = [&rules] { rules.Label1_MouseMove(); };
    Label1.onMouseDown = [&rules] { rules.Label1_MouseDown(); };
    Label2.onMouseMove = [&rules] { rules.Label2_MouseMove(); };
    Label2.onMouseDown = [&rules] { rules.Label2_MouseDown(); };
    // The shell's callback arrives as a mouse move over Picture4 whose X is the message.
    Picture4.onMouseMove = [this](int x) {
        rules_.Picture4_MouseMove(static_cast<float>(x) * scale().twipsPerPixelX(),
                                  scale().twipsPerPixelX());
    };
    notificationIcon_.onShownChange([&rules] { rules.trayIconShownChanged(); });
}

Form1::~Form1() {
    notificationIcon_.onShownChange({});
}

void Form1::Form1_Load() {
    centre();
    ::PostMessageW(handle(), loadAfterFirstFrameMessage, 0, 0);
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
        rules_.notificationAreaStarted();
        return 0;
    }
    switch (message) {
    case loadAfterFirstFrameMessage:
        rules_.Form1_Load();
        return 0;
    case WM_SIZE:
        rules_.Form1_Resize(wParam == SIZE_MINIMIZED);
        return 0;
    case WM_CLOSE:
        rules_.Form1_Unload();
        ::DestroyWindow(handle());
        return 0;
    default:
        return std::nullopt;
    }
}

void Form1::setCaption(std::string_view name, std::string_view text) {
    if (name == "Text1")
        Text1.setText(text);
    else
        control<Label>(name).setCaption(text);
}

void Form1::setTip(std::string_view name, std::string_view tip) {
    control<Label>(name).setTip(tip);
}

void Form1::setControlEnabled(std::string_view name, bool enabled) {
    find(name)->setEnabled(enabled);
}

void Form1::setForeColour(std::string_view name, core::Colour colour) {
    control<Label>(name).setForeColour(rgbOf(colour));
}

void Form1::showPictureOf(std::string_view name, std::string_view source) {
    control<PictureBox>(name).showPicture(control<PictureBox>(source).picture());
}

bool Form1::listFolder(const std::string& folder) {
    return File1.setPath(folder);
}

std::string Form1::listedFolder() const {
    return File1.Path();
}

void Form1::setLinkAddress(std::string_view name, std::string_view address) {
    control<LinkTextBox>(name).setAddress(std::string(address));
}

void Form1::send(std::string_view name) {
    control<LinkTextBox>(name).send();
}

core::WindowHandle Form1::owner() const {
    return reinterpret_cast<core::WindowHandle>(handle());
}

std::uint32_t Form1::trayCallbackWindow() const {
    return handleField(Picture4.handle());
}

bool Form1::minimisedAndHidden() const {
    return !::IsWindowVisible(handle()) && ::IsIconic(handle()) != FALSE;
}

void Form1::hideInTray() {
    ::ShowWindow(handle(), SW_HIDE);
}

void Form1::restoreInPlace() {
    ::ShowWindow(handle(), ::IsIconic(handle()) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(handle());
}

void Form1::showAbout() {
    if (!aboutLoaded()) {
        form5_ = std::make_unique<Form5>(services_);
        form5_->onUnload = [this] { rules_.Form5_Unload(); };
        form5_->Form5_Load();
    }
    form5_->show();
}

bool Form1::aboutLoaded() const {
    return form5_ && form5_->loaded();
}

void Form1::endProgram() {
    // Ends the message loop without the close handling.
    ::PostQuitMessage(0);
}

} // namespace ostrane::win32
