#pragma once

#include "core/folderpicker.h"
#include "core/notificationicon.h"
#include "core/traycallback.h"
#include "core/trayicon.h"
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

// The platform services the main window reaches the outside world through.
struct Form1Platform {
    core::Conversations& conversations;
    core::FolderPicker& folderPicker;
    core::NotificationIcon& notificationIcon;
    core::FolderReader& folderReader;
};

// The main window: the banner, the transport buttons, the path field, the panel toggle and
// the file-list panel below the closed window's edge. Controls carry their given names.
class Form1 final : public Form {
public:
    explicit Form1(const Form1Platform& platform);
    ~Form1() override;

    // Centres the window on the primary screen and adds the notification icon; runs once,
    // before the window is shown.
    void Form1_Load();

    // Whether the program should end: neither window is loaded any more.
    bool ended() const;

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
    void mouseMove() override { Form1_MouseMove(); }

private:
    void centre();
    void Picture2_Click();
    void Command1_Click();
    void File1_DblClick();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void sendThrough(LinkTextBox& control);

    void addTrayIcon();
    void deleteTrayIcon();
    void Form1_Resize(WPARAM kind);
    void Form1_QueryUnload();
    void Picture4_MouseMove(float x);
    void trayIconShownChanged();
    void restoreFromTray();

    void Form1_MouseMove();
    void Label1_MouseMove();
    void Label1_MouseDown();
    void Label2_MouseMove();
    void Label2_MouseDown();
    // The program ends when neither window is loaded; a window hidden in the tray still is.
    void endWhenNoWindowIsLoaded();

    core::FolderPicker& folderPicker_;
    core::NotificationIcon& notificationIcon_;
    ControlServices services_;
    core::TrayIcon trayIcon_;
    core::TrayCallback trayCallback_;
    UINT taskbarCreated_ = 0;
    bool unloaded_ = false;
    std::unique_ptr<Form5> form5_;
};

} // namespace ostrane::win32
