#pragma once

#include "core/form1rules.h"
#include "core/notificationicon.h"
#include "win32/form.h"

#include <memory>

namespace ostrane::win32 {

class CommandButton;
class FileListBox;
class Form5;
class Label;
class LinkTextBox;
class PictureBox;
class TextBox;

// The main window: the banner, the transport buttons, the path field, the panel toggle and
// the file-list panel below the closed window's edge. Controls carry their given names; what
// the window does is the core's `Form1Rules`, this class the Win32 work it asks for.
class Form1 final : public Form, private core::Form1Window {
public:
    explicit Form1(const core::Form1Platform& platform);
    ~Form1() override;

    // Centres the window on the primary screen; runs once, before the window is shown. The
    // rest of the load (the notification icon, whose add waits on the shell) is posted to run
    // from the message loop, after the first frame: until then a minimise only minimises.
    void Form1_Load();

    // Whether the program should end: neither window is loaded any more.
    bool ended() const { return rules_.ended(); }

    Label& Label1;
    Label& Label2;
    Label& Label4;
    Label& Label5;
    TextBox& Text1;
    CommandButton& Command1;
    CommandButton& Command2;
    CommandButton& Command3;
    CommandButton& Command4;
    CommandButton& Command5;
    LinkTextBox& Text2;
    LinkTextBox& Text3;
    LinkTextBox& Text4;
    LinkTextBox& Text5;
    LinkTextBox& Text6;
    PictureBox& Picture2;
    PictureBox& Picture3;
    PictureBox& Picture4;
    FileListBox& File1;

protected:
    std::optional<LRESULT> onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void mouseMove() override { rules_.Form1_MouseMove(); }

private:
    void centre();

    // core::Form1Window
    void setCaption(std::string_view control, std::string_view text) override;
    void setTip(std::string_view control, std::string_view tip) override;
    void setControlEnabled(std::string_view control, bool enabled) override;
    void setForeColour(std::string_view control, core::Colour colour) override;
    void showPictureOf(std::string_view control, std::string_view source) override;
    bool listFolder(const std::string& folder) override;
    std::string listedFolder() const override;
    void setLinkAddress(std::string_view control, std::string_view address) override;
    void send(std::string_view control) override;
    float outerHeight() const override { return Height(); }
    void setOuterHeight(float twips) override { setHeight(twips); }
    core::WindowHandle owner() const override;
    std::uint32_t trayCallbackWindow() const override;
    bool minimisedAndHidden() const override;
    void hideInTray() override;
    void restoreInPlace() override;
    void showAbout() override;
    bool aboutLoaded() const override;
    void endProgram() override;

    core::NotificationIcon& notificationIcon_;
    ControlServices services_;
    core::Form1Rules rules_;
    UINT taskbarCreated_ = 0;
    std::unique_ptr<Form5> form5_;
};

} // namespace ostrane::win32
