#include "qt/form1.h"

#include "core/loadspc.h"
#include "core/notificationicon.h"
#include "core/paneltoggle.h"
#include "core/placement.h"
#include "core/songpath.h"
#include "core/windowdescription.h"
#include "qt/accessibility.h"
#include "qt/commandbutton.h"
#include "qt/displaytext.h"
#include "qt/filelistbox.h"
#include "qt/form5.h"
#include "qt/linktextbox.h"
#include "qt/picturebox.h"
#include "qt/sunkenedge.h"
#include "qt/windowdesign.h"
#include "qt/windowloader.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace ostrane::qt {

namespace {

// Text colour of a control.
void colour(QWidget* control, QColor text) {
    QPalette palette = control->palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, text);
    control->setPalette(palette);
}

const QColor White(255, 255, 255);
const QColor Green(0, 255, 0);
const QColor Blue(0, 0, 255);

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The panel toggle's view of the window.
class Form1Panel final : public core::PanelControls {
public:
    explicit Form1Panel(Form1& form) : form_(form) {}

    void setFolderLabelTip(std::string_view tip) override {
        form_.Label4->setToolTip(fromUtf8(tip));
    }
    void showListFolder() override { form_.Label4->setText(displayText(form_.File1->Path())); }
    std::string state() const override { return form_.Label5->text().toStdString(); }
    void setState(std::string_view state) override { form_.Label5->setText(fromUtf8(state)); }
    void showOpenPicture() override { form_.Picture2->setPicture(form_.Picture4->picture()); }
    void showClosedPicture() override { form_.Picture2->setPicture(form_.Picture3->picture()); }
    void setLoadEnabled(bool enabled) override { form_.Command1->setEnabled(enabled); }
    float height() const override { return form_.Height(); }
    void setHeight(float twips) override { form_.setHeight(twips); }

private:
    Form1& form_;
};

} // namespace

Form1::Form1(const Form1Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      folderPicker_(platform.folderPicker), notificationIcon_(platform.notificationIcon),
      scale_(primaryScreenScale()) {
    assignControls(loadWindow(*this, core::form1Description(), scale_,
                              {&platform.conversations, &platform.folderReader}));
    wireControls();
    drawSunkenEdge(Text1);
    describeForAssistiveTechnology();
    // Hover colours of the title labels follow the pointer without a button held.
    setMouseTracking(true);
    // The program ends by endWhenNoWindowIsLoaded: Qt alone would end it when the last
    // visible window closes, although a window hidden in the tray is still loaded.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    notificationIcon_.onMouseMessage([this](int message) {
        Picture4_MouseMove(static_cast<float>(message) * scale_.twipsPerPixelX());
    });
    notificationIcon_.onShownChange([this] { trayIconShownChanged(); });
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

void Form1::assignControls(const LoadedControls& controls) {
    controls.assign(File1, "File1");
    controls.assign(Picture4, "Picture4");
    controls.assign(Picture3, "Picture3");
    controls.assign(Picture2, "Picture2");
    controls.assign(Text6, "Text6");
    controls.assign(Picture1, "Picture1");
    controls.assign(Command5, "Command5");
    controls.assign(Text5, "Text5");
    controls.assign(Command4, "Command4");
    controls.assign(Text4, "Text4");
    controls.assign(Command3, "Command3");
    controls.assign(Text3, "Text3");
    controls.assign(Command2, "Command2");
    controls.assign(Text2, "Text2");
    controls.assign(Command1, "Command1");
    controls.assign(Text1, "Text1");
    controls.assign(Picture5, "Picture5");
    controls.assign(Label6, "Label6");
    controls.assign(Label5, "Label5");
    controls.assign(Label4, "Label4");
    controls.assign(Label3, "Label3");
    controls.assign(Label2, "Label2");
    controls.assign(Label1, "Label1");
}

void Form1::wireControls() {
    for (QLabel* label : {Label1, Label2}) {
        label->setMouseTracking(true);
        label->installEventFilter(this);
    }
    Picture2->installEventFilter(this);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(File1, &FileListBox::doubleClicked, this, &Form1::File1_DblClick);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
}

void Form1::describeForAssistiveTechnology() {
    presentAsButton(Label1, "EXIT");
    presentAsButton(Label2, "ABOUT");
    presentAsButton(Picture2, "Song list");
    Command2->setAccessibleName(QStringLiteral("Stop"));
    Command3->setAccessibleName(QStringLiteral("Play"));
    Command4->setAccessibleName(QStringLiteral("Pause"));
    Picture1->setAccessibleName(QStringLiteral("QV-SPC Ostrane banner"));
    Picture5->setAccessibleName(QStringLiteral("Song list frame"));
    Text1->setAccessibleName(QStringLiteral("Current file loaded"));
    File1->setAccessibleName(QStringLiteral("Songs"));
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
}

void Form1::Form1_Load() {
    // Typing goes to the path field first, whatever control was made first.
    Text1->setFocus();
    centre();
    frameArrival_.arm();
    addTrayIcon();
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
    return QWidget::event(event);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label1 || watched == Label2) {
        const bool exit = watched == Label1;
        switch (event->type()) {
        case QEvent::MouseMove:
            exit ? Label1_MouseMove() : Label2_MouseMove();
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            exit ? Label1_MouseDown() : Label2_MouseDown();
            return true;
        default:
            break;
        }
    }
    if (watched == Picture2) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Space || key->key() == Qt::Key_Return ||
                 key->key() == Qt::Key_Enter) &&
                !key->isAutoRepeat()) {
                Picture2_Click();
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            picture2DoubleClicked_ = true;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const bool ended = std::exchange(picture2DoubleClicked_, false);
            if (mouse->button() == Qt::LeftButton && !ended &&
                Picture2->rect().contains(mouse->position().toPoint()))
                Picture2_Click();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::Picture2_Click() {
    Form1Panel panel(*this);
    togglePanel(panel);
}

void Form1::Command1_Click() {
    core::Command1_Click(
        folderPicker_, static_cast<core::WindowHandle>(winId()),
        {[this](const std::string& folder) { return File1->setPath(folder); },
         [this](const std::string& folder) { Label4->setText(displayText(folder)); }});
}

void Form1::File1_DblClick() {
    // Only a double click on an entry loads a song; the bare folder is never sent.
    const std::string fileName = File1->FileName();
    if (fileName.empty())
        return;
    // The label shows the list's folder as displayName made it, so its bytes are the list's.
    const std::string& folder = File1->Path();
    const std::string label =
        Label4->text() == displayText(folder) ? folder : Label4->text().toStdString();
    const std::string path = core::songPath(folder, label, fileName);
    Text1->setText(displayText(path));
    Text6->setAddress("QV-spc|" + path);
    sendThrough(*Text6);
}

void Form1::sendThrough(LinkTextBox& control) {
    control.send();
}

void Form1::Command2_Click() {
    sendThrough(*Text2);
}
void Form1::Command3_Click() {
    sendThrough(*Text3);
}
void Form1::Command4_Click() {
    sendThrough(*Text4);
}
void Form1::Command5_Click() {
    sendThrough(*Text5);
}

void Form1::addTrayIcon() {
    trayIcon_.fillForAdd(notificationIcon_.callbackWindow(), notificationIcon_.programIcon());
    notificationIcon_.add(trayIcon_.bytes());
}

void Form1::deleteTrayIcon() {
    trayIcon_.fillForDelete(notificationIcon_.callbackWindow());
    notificationIcon_.remove(trayIcon_.bytes());
}

void Form1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form1_Resize();
}

void Form1::Form1_Resize() {
    // Without an icon on screen nothing could bring a hidden window back, so it stays
    // minimised where the desktop shows it.
    if (isMinimized() && notificationIcon_.shown())
        hide();
}

void Form1::closeEvent(QCloseEvent* event) {
    Form1_QueryUnload();
    event->accept();
    unloaded_ = true;
    endWhenNoWindowIsLoaded();
}

void Form1::Form1_QueryUnload() {
    deleteTrayIcon();
}

void Form1::Picture4_MouseMove(float x) {
    trayCallback_.handle(x, scale_.twipsPerPixelX(), [this] { restoreFromTray(); });
}

void Form1::trayIconShownChanged() {
    // A window hidden in the tray was minimised first and keeps that state while hidden; a
    // window never shown, or closed, is not in the tray.
    const bool hiddenInTray = !unloaded_ && isHidden() && isMinimized();
    trayCallback_.iconShownChanged(hiddenInTray, notificationIcon_.shown(),
                                   [this] { restoreFromTray(); });
}

void Form1::restoreFromTray() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
    if (!childAt(event->position().toPoint()))
        Form1_MouseMove();
    QWidget::mouseMoveEvent(event);
}

void Form1::Form1_MouseMove() {
    colour(Label1, White);
    colour(Label2, White);
}

void Form1::Label1_MouseMove() {
    colour(Label1, Blue);
}

void Form1::Label1_MouseDown() {
    deleteTrayIcon();
    // Ends the event loop without the close handling that quit() would start.
    QCoreApplication::exit(0);
}

void Form1::Label2_MouseMove() {
    colour(Label2, Green);
}

void Form1::Label2_MouseDown() {
    colour(Label2, Green);
    if (!form5_) {
        form5_ = new qt::Form5();
        connect(form5_, &QObject::destroyed, this, [this] {
            form5_ = nullptr;
            endWhenNoWindowIsLoaded();
        });
        form5_->Form5_Load();
    }
    form5_->show();
    form5_->raise();
    form5_->activateWindow();
}

void Form1::endWhenNoWindowIsLoaded() {
    if (unloaded_ && !form5_)
        QCoreApplication::exit(0);
}

} // namespace ostrane::qt
