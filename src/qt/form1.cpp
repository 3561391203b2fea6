#include "qt/form1.h"

#include "core/notificationicon.h"
#include "core/placement.h"
#include "core/windowdescription.h"
#include "qt/commandbutton.h"
#include "qt/displaytext.h"
#include "qt/filelistbox.h"
#include "qt/form5.h"
#include "qt/label.h"
#include "qt/linktextbox.h"
#include "qt/picturebox.h"
#include "qt/sunkenedge.h"
#include "qt/windowdesign.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>
#include <optional>
#include <utility>

namespace ostrane::qt {

Form1::Form1(const core::Form1Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      notificationIcon_(platform.notificationIcon), scale_(primaryScreenScale()),
      controls_(loadWindow(*this, core::form1Description(), scale_,
                           {&platform.conversations, &platform.folderReader, platform.songFiles})),
      rules_(*this, platform) {
    assignControls();
    wireControls();
    drawSunkenEdge(Text1);
    reachOnlyWhatIsInSight();
    // The bare surface resets the title labels' hover colours without a button held.
    setMouseTracking(true);
    // The program ends when the rules say so: Qt alone would end it when the last visible
    // window closes, although a window hidden in the tray is still loaded.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    notificationIcon_.onMouseMessage([this](int message) {
        rules_.Picture4_MouseMove(static_cast<float>(message) * scale_.twipsPerPixelX(),
                                  scale_.twipsPerPixelX());
    });
    notificationIcon_.onShownChange([this] { rules_.trayIconShownChanged(); });
}

Form1::~Form1() {
    // The icon may outlive the window.
    notificationIcon_.onMouseMessage({});
    notificationIcon_.onShownChange({});
    if (form5_) {
        form5_->disconnect(this);
        delete form5_.data();
    }
}

void Form1::assignControls() {
    controls_.assign(File1, "File1");
    controls_.assign(Picture4, "Picture4");
    controls_.assign(Picture3, "Picture3");
    controls_.assign(Picture2, "Picture2");
    controls_.assign(Text6, "Text6");
    controls_.assign(Picture1, "Picture1");
    controls_.assign(Command5, "Command5");
    controls_.assign(Text5, "Text5");
    controls_.assign(Command4, "Command4");
    controls_.assign(Text4, "Text4");
    controls_.assign(Command3, "Command3");
    controls_.assign(Text3, "Text3");
    controls_.assign(Command2, "Command2");
    controls_.assign(Text2, "Text2");
    controls_.assign(Command1, "Command1");
    controls_.assign(Text1, "Text1");
    controls_.assign(Picture5, "Picture5");
    controls_.assign(Label6, "Label6");
    controls_.assign(Label5, "Label5");
    controls_.assign(Label4, "Label4");
    controls_.assign(Label3, "Label3");
    controls_.assign(Label2, "Label2");
    controls_.assign(Label1, "Label1");
}

void Form1::wireControls() {
    auto& rules = rules_;
    Label* exit = nullptr;
    Label* about = nullptr;
    controls_.assign(exit, "Label1");
    controls_.assign(about, "Label2");
    connect(exit, &Label::mouseMoved, this, [&rules] { rules.Label1_MouseMove(); });
    connect(exit, &Label::mousePressed, this, [&rules] { rules.Label1_MouseDown(); });
    connect(about, &Label::mouseMoved, this, [&rules] { rules.Label2_MouseMove(); });
    connect(about, &Label::mousePressed, this, [&rules] { rules.Label2_MouseDown(); });
    connect(Picture2, &PictureBox::clicked, this, [&rules] { rules.Picture2_Click(); });
    connect(Command1, &QPushButton::clicked, this, [&rules] { rules.Command1_Click(); });
    connect(File1, &FileListBox::doubleClicked, this,
            [this] { rules_.File1_DblClick(File1->FileName()); });
    connect(Command2, &QPushButton::clicked, this, [&rules] { rules.Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [&rules] { rules.Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [&rules] { rules.Command4_Click(); });
    connect(Command5, &QPushButton::clicked, this, [&rules] { rules.Command5_Click(); });
}

float Form1::Width() const {
    return scale_.twipsX(frameGeometry().width());
}
float Form1::Height() const {
    return scale_.twipsY(frameGeometry().height());
}

void Form1::setHeight(float twips) {
    const int change = scale_.pixelsY(twips) - frameGeometry().height();
    setFixedHeight(std::max(0, height() + change));
    reachOnlyWhatIsInSight();
}

void Form1::reachOnlyWhatIsInSight() {
    for (QObject* child : children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (!control || control->isWindow())
            continue;
        // The policy a control had in view is kept aside while it is out of sight.
        const QVariant kept = control->property("focusInSight");
        const bool inSight = rect().intersects(control->geometry());
        if (!inSight && !kept.isValid()) {
            control->setProperty("focusInSight", static_cast<int>(control->focusPolicy()));
            control->setFocusPolicy(Qt::NoFocus);
        } else if (inSight && kept.isValid()) {
            control->setFocusPolicy(static_cast<Qt::FocusPolicy>(kept.toInt()));
            control->setProperty("focusInSight", QVariant());
        }
    }
}

void Form1::Form1_Load() {
    // Typing goes to the path field first, whatever control was made first.
    Text1->setFocus();
    centre();
    frameArrival_.arm();
    loadPending_ = true;
}

void Form1::finishLoad() {
    if (!std::exchange(loadPending_, false))
        return;
    rules_.Form1_Load();
    File1->listStartFolder();
}

void Form1::centre() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const core::TwipPosition position = core::centredOnScreen(
        scale_.twipsX(screen.width()), scale_.twipsY(screen.height()), Width(), Height());
    move(screen.x() + scale_.pixelsX(position.left), screen.y() + scale_.pixelsY(position.top));
}

bool Form1::event(QEvent* event) {
    if (frameArrival_.framedNow(*this))
        centre();
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::Paint && loadPending_)
        QMetaObject::invokeMethod(this, &Form1::finishLoad, Qt::QueuedConnection);
    return handled;
}

void Form1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        // A window minimised before its first frame hides into the icon all the same.
        if (isMinimized())
            finishLoad();
        rules_.Form1_Resize(isMinimized());
    }
}

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    rules_.Form1_Unload();
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
    if (!childAt(event->position().toPoint()))
        rules_.Form1_MouseMove();
    QWidget::mouseMoveEvent(event);
}

QWidget& Form1::control(std::string_view name) const {
    QWidget* found = controls_.find(name);
    if (!found)
        throw std::logic_error("Form1 has no control " + std::string(name));
    return *found;
}

void Form1::setCaption(std::string_view name, std::string_view text) {
    QWidget& shown = control(name);
    if (auto* label = qobject_cast<QLabel*>(&shown))
        label->setText(displayText(text));
    else if (auto* box = qobject_cast<QLineEdit*>(&shown))
        box->setText(displayText(text));
}

void Form1::setTip(std::string_view name, std::string_view tip) {
    control(name).setToolTip(displayText(tip));
}

void Form1::setControlEnabled(std::string_view name, bool enabled) {
    control(name).setEnabled(enabled);
}

void Form1::setForeColour(std::string_view name, core::Colour colour) {
    QWidget& shown = control(name);
    QPalette palette = shown.palette();
    const QColor text = colourOf(colour, palette.color(QPalette::WindowText));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, text);
    shown.setPalette(palette);
}

void Form1::showPictureOf(std::string_view name, std::string_view source) {
    PictureBox* box = nullptr;
    controls_.assign(box, name);
    PictureBox* holder = nullptr;
    controls_.assign(holder, source);
    box->setPicture(holder->picture());
}

bool Form1::listFolder(const std::string& folder) {
    return File1->setPath(folder);
}

std::string Form1::listedFolder() const {
    return File1->Path();
}

void Form1::setLinkAddress(std::string_view name, std::string_view address) {
    LinkTextBox* box = nullptr;
    controls_.assign(box, name);
    box->setAddress(std::string(address));
}

void Form1::send(std::string_view name) {
    LinkTextBox* box = nullptr;
    controls_.assign(box, name);
    box->send();
}

core::WindowHandle Form1::owner() const {
    return static_cast<core::WindowHandle>(winId());
}

std::uint32_t Form1::trayCallbackWindow() const {
    return notificationIcon_.callbackWindow();
}

bool Form1::minimisedAndHidden() const {
    return isHidden() && placeInTray_.has_value();
}

void Form1::hideInTray() {
    placeInTray_ = pos();
    hide();
}

void Form1::restoreInPlace() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    // Some window managers (mutter) would put the client area where the frame was.
    if (const std::optional<QPoint> place = std::exchange(placeInTray_, std::nullopt))
        move(*place);
    show();
}

void Form1::showAbout() {
    if (!form5_) {
        form5_ = new Form5();
        connect(form5_, &QObject::destroyed, this, [this] {
            form5_ = nullptr;
            rules_.Form5_Unload();
        });
        form5_->Form5_Load();
    }
    form5_->show();
    form5_->raise();
    form5_->activateWindow();
}

void Form1::endProgram() {
    // Ends the event loop without the close handling that quit() would start.
    QCoreApplication::exit(0);
}

} // namespace ostrane::qt
