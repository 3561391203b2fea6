#pragma once

#include "core/traycallback.h"
#include "core/trayicon.h"
#include "core/twips.h"
#include "qt/windowdesign.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;

namespace ostrane::core {
class Conversations;
class FolderPicker;
class FolderReader;
class NotificationIcon;
} // namespace ostrane::core

namespace ostrane::qt {

class CommandButton;
class Form5;
class FileListBox;
class LinkTextBox;
class LoadedControls;
class PictureBox;

// The platform services the window reaches the outside world through; main passes the real
// ones, tests pass fakes.
struct Form1Platform {
    core::Conversations& conversations;
    core::FolderPicker& folderPicker;
    core::NotificationIcon& notificationIcon;
    core::FolderReader& folderReader;
};

// The main window: the banner, the transport buttons, the path field, the panel toggle and
// the file-list panel below the closed window's edge. Controls carry their given names.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(const Form1Platform& platform, QWidget* parent = nullptr);
    // The about window, when open, goes with the main window.
    ~Form1() override;

    // Centres the window on the primary screen and adds the notification icon; runs once,
    // before the window is shown.
    void Form1_Load();

    const core::TwipScale& scale() const { return scale_; }
    // The window's outer size, frame included, in twips.
    float Width() const;
    float Height() const;
    // Sets the outer height; the frame keeps its size, so the client area takes the change.
    void setHeight(float twips);

    // Front to back, as they are stacked.
    FileListBox* File1;
    PictureBox* Picture4;
    PictureBox* Picture3;
    PictureBox* Picture2;
    LinkTextBox* Text6;
    PictureBox* Picture1;
    CommandButton* Command5;
    LinkTextBox* Text5;
    CommandButton* Command4;
    LinkTextBox* Text4;
    CommandButton* Command3;
    LinkTextBox* Text3;
    CommandButton* Command2;
    LinkTextBox* Text2;
    CommandButton* Command1;
    QLineEdit* Text1;
    PictureBox* Picture5;
    QLabel* Label6;
    QLabel* Label5;
    QLabel* Label4;
    QLabel* Label3;
    QLabel* Label2;
    QLabel* Label1;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void assignControls(const LoadedControls& controls);
    void wireControls();
    // Names the controls that show only a picture, and presents the clickable captions and
    // pictures as buttons.
    void describeForAssistiveTechnology();
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
    void Form1_Resize();
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
    core::TrayIcon trayIcon_;
    core::TrayCallback trayCallback_;
    bool unloaded_ = false;
    QPointer<qt::Form5> form5_;
    core::TwipScale scale_;
    FrameArrival frameArrival_;
    // The release that ends a double click on the panel toggle is not a second click.
    bool picture2DoubleClicked_ = false;
};

} // namespace ostrane::qt
