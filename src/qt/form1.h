#pragma once

#include "core/form1rules.h"
#include "core/twips.h"
#include "qt/windowdesign.h"
#include "qt/windowloader.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <optional>

class QLabel;
class QLineEdit;

namespace ostrane::qt {

class CommandButton;
class FileListBox;
class Form5;
class LinkTextBox;
class PictureBox;

// The main window: the banner, the transport buttons, the path field, the panel toggle and
// the file-list panel below the closed window's edge. Controls carry their given names; what
// the window does is the core's `Form1Rules`, this class the Qt work it asks for.
class Form1 : public QWidget, private core::Form1Window {
    Q_OBJECT
public:
    explicit Form1(const core::Form1Platform& platform, QWidget* parent = nullptr);
    // The about window, when open, goes with the main window.
    ~Form1() override;

    // Centres the window on the primary screen; runs once, before the window is shown. The
    // rest of the load, the notification icon's add and the bus it needs, then the start
    // folder's listing, runs from the event loop once the first frame is drawn, or at once
    // should the window be minimised first.
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
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void assignControls();
    void wireControls();
    void centre();
    void finishLoad();
    // Controls that lie below the client area take no focus until they come into view.
    void reachOnlyWhatIsInSight();

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
    bool aboutLoaded() const override { return !form5_.isNull(); }
    void endProgram() override;

    QWidget& control(std::string_view name) const;

    core::NotificationIcon& notificationIcon_;
    core::TwipScale scale_;
    // Before the controls: loading them sends the window events, which look at it.
    FrameArrival frameArrival_;
    LoadedControls controls_;
    core::Form1Rules rules_;
    bool loadPending_ = false;
    QPointer<Form5> form5_;
    // Where the window was when it hid into the icon; kept by the window itself, since some
    // window managers (xfwm4) take the minimised state off a withdrawn window.
    std::optional<QPoint> placeInTray_;
};

} // namespace ostrane::qt
