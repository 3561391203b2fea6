#pragma once

#include "core/folderpicker.h"
#include "core/form1platform.h"
#include "core/songfolder.h"
#include "core/traycallback.h"
#include "core/trayicon.h"
#include "core/windowdescription.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrane::core {

class NotificationIcon;

// The main window as its rules see it: a front end's toolkit work on the controls named in the
// window's description, and on the window itself. Texts are the file system's bytes; the front
// end shows them through displayName.
class Form1Window {
public:
    virtual ~Form1Window() = default;

    virtual void setCaption(std::string_view control, std::string_view text) = 0;
    virtual void setTip(std::string_view control, std::string_view tip) = 0;
    virtual void setControlEnabled(std::string_view control, bool enabled) = 0;
    virtual void setForeColour(std::string_view control, Colour colour) = 0;
    // `control` shows the picture that the hidden picture box `source` holds.
    virtual void showPictureOf(std::string_view control, std::string_view source) = 0;
    // Moves the song list to `folder`; false when it cannot be listed, and the list keeps
    // what it showed.
    virtual bool listFolder(const std::string& folder) = 0;
    // The folder the song list shows, as the file system's bytes.
    virtual std::string listedFolder() const = 0;
    // Gives the link text box `control` a new address, then sends through it.
    virtual void setLinkAddress(std::string_view control, std::string_view address) = 0;
    virtual void send(std::string_view control) = 0;

    // The window's outer height, frame included, in twips; setting it keeps the frame's size.
    virtual float outerHeight() const = 0;
    virtual void setOuterHeight(float twips) = 0;
    virtual WindowHandle owner() const = 0;
    // The 32-bit handle the notification record names as the receiver of its messages.
    virtual std::uint32_t trayCallbackWindow() const = 0;
    // Whether the window is minimised and not shown anywhere, not even in the task bar.
    virtual bool minimisedAndHidden() const = 0;
    virtual void hideInTray() = 0;
    // Shows a hidden or minimised window again where it was.
    virtual void restoreInPlace() = 0;
    // Shows the about window, loading it first when it is not loaded.
    virtual void showAbout() = 0;
    virtual bool aboutLoaded() const = 0;
    // Ends the program at once, without closing the windows.
    virtual void endProgram() = 0;
};

// The main window's rules, the same for every front end: what each event does, what a press
// sends, when the window hides and when the program ends. The front end turns its toolkit's
// events into these calls and does what `Form1Window` asks.
class Form1Rules {
public:
    Form1Rules(Form1Window& window, const Form1Platform& platform);

    // Adds the notification icon; runs once, before the window is shown.
    void Form1_Load();
    // The window was closed: the icon goes, and the program ends unless the about window is
    // still loaded.
    void Form1_Unload();
    void Form5_Unload();
    // A notification area started (again): it gets the icon unless the icon is shown.
    void notificationAreaStarted();
    // Whether neither window is loaded any more.
    bool ended() const;

    void Form1_Resize(bool minimised);
    void Form1_MouseMove();
    void Label1_MouseMove();
    void Label1_MouseDown();
    void Label2_MouseMove();
    void Label2_MouseDown();

    void Picture2_Click();
    void Command1_Click();
    // Only a double click on an entry loads a song: an empty name is the bare folder.
    void File1_DblClick(std::string_view fileName);
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();

    // The notification icon's callback, X being the mouse message's number in twips.
    void Picture4_MouseMove(float x, float twipsPerPixelX);
    // The icon came or went by itself.
    void trayIconShownChanged();

    const SongFolder& songFolder() const { return songFolder_; }

private:
    class Panel;

    void addTrayIcon();
    void deleteTrayIcon();
    void lightUp(std::string_view label);
    void endWhenNoWindowIsLoaded();

    Form1Window& window_;
    FolderPicker& folderPicker_;
    NotificationIcon& notificationIcon_;
    const WindowDescription& description_;
    SongFolder songFolder_;
    // The panel's state as its hidden label shows it: "" or "0" closed, "1" open.
    std::string panelState_;
    TrayIcon trayIcon_;
    TrayCallback trayCallback_;
    bool unloaded_ = false;
};

} // namespace ostrane::core
