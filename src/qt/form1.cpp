#include "qt/form1.h"

#include "core/loadspc.h"
#include "core/notificationicon.h"
#include "core/paneltoggle.h"
#include "core/placement.h"
#include "core/songpath.h"
#include "qt/accessibility.h"
#include "qt/commandbutton.h"
#include "qt/filelistbox.h"
#include "qt/form5.h"
#include "qt/linktextbox.h"
#include "qt/picturebox.h"
#include "qt/sunkenedge.h"
#include "qt/windowdesign.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace ostrane::app {

namespace {

constexpr int ClientWidth = 5250;
constexpr int ClientHeight = 2895;

// Text colour, and the background colour where the control paints one of its own.
void colour(QWidget* control, QColor text, std::optional<QColor> background = std::nullopt) {
    QPalette palette = control->palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, text);
    if (background) {
        for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
            palette.setColor(role, *background);
        control->setAutoFillBackground(true);
    }
    control->setPalette(palette);
}

QPixmap pictureOf(const QString& file) {
    return pictureForScreen(QStringLiteral(":/pictures/") + file);
}

// A transport button's pictures: its symbol, and a darker, sunken one while held down.
void showSymbol(CommandButton* button, const char* symbol) {
    const QString name = QString::fromLatin1(symbol);
    button->setPicture(pictureOf(name + QStringLiteral(".bmp")));
    button->setDownPicture(pictureOf(name + QStringLiteral("-down.bmp")));
}

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor Green(0, 255, 0);
const QColor Blue(0, 0, 255);

constexpr const char* TrayTip = "QV-SPC Ostrane";
constexpr std::uint32_t TrayIconId = 1;

const char* const SongPattern = "*.spc;*.sp1;*.sp2;*.sp3;*.sp4;*.sp5;*.sp6;*.sp7;*.sp8;*.sp9";

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The panel toggle's view of the window.
class Form1Panel final : public PanelControls {
public:
    explicit Form1Panel(Form1& form) : form_(form) {}

    void setFolderLabelTip(std::string_view tip) override {
        form_.Label4->setToolTip(fromUtf8(tip));
    }
    void showListFolder() override { form_.Label4->setText(form_.File1->Path()); }
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
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Corvissa"));
    setWindowIcon(QIcon(pictureOf(QStringLiteral("corvissa.ico"))));
    setFont(fontOf("MS Sans Serif", 8.25, QFont::Bold));
    // Only the window's own surface is black; its controls keep the system's colours
    // unless they have their own.
    QPalette surface = palette();
    surface.setColor(QPalette::Window, Black);
    surface.setColor(QPalette::WindowText, QColor(255, 255, 0));
    setPalette(surface);
    setAutoFillBackground(true);
    setFixedSize(scale_.pixelsX(ClientWidth), scale_.pixelsY(ClientHeight));
    createControls(platform);
    setTabOrder();
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
}

Form1::~Form1() {
    if (form5_) {
        form5_->disconnect(this);
        delete form5_.data();
    }
}

void Form1::createControls(const Form1Platform& platform) {
    // Created back to front, so that each control lies in front of the ones before it.
    // Labels come first: they lie beneath every windowed control.
    auto make = [this](auto* control, const char* name) {
        control->setObjectName(QString::fromLatin1(name));
        return control;
    };
    auto label = [&](const char* name, const char* caption) {
        auto* control = make(new QLabel(QString::fromLatin1(caption), this), name);
        control->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return control;
    };
    auto linkBox = [&](const char* name, const char* text) {
        auto* control = make(new LinkTextBox(platform.conversations, this), name);
        control->setText(QString::fromLatin1(text));
        control->setVisible(false);
        return control;
    };

    Label1 = label("Label1", "EXIT");
    place(Label1, 45, 300, 645, 270);
    Label1->setFont(fontOf("Arial", 12, QFont::Normal));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    colour(Label1, White, Black);
    Label1->setMouseTracking(true);
    Label1->installEventFilter(this);

    Label2 = label("Label2", "ABOUT");
    place(Label2, 4455, 300, 765, 240);
    Label2->setFont(fontOf("Arial", 11.25, QFont::Normal));
    Label2->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    colour(Label2, White, Black);
    Label2->setMouseTracking(true);
    Label2->installEventFilter(this);

    Label3 = label("Label3", "Current File Loaded:");
    place(Label3, 195, 1725, 1170, 420);
    Label3->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label3->setWordWrap(true);
    colour(Label3, Green, Black);

    Label4 = label("Label4", "Label4");
    place(Label4, 1830, 3030, 3450, 255);
    colour(Label4, QColor(0, 192, 0));
    // A folder name is never markup.
    Label4->setTextFormat(Qt::PlainText);

    Label5 = label("Label5", "");
    place(Label5, 165, 2295, 390, 315);
    Label5->setVisible(false);

    Label6 = label("Label6", "Current Directory:");
    place(Label6, 75, 3030, 1725, 315);
    colour(Label6, Green, Black);

    Picture5 = make(new PictureBox(this), "Picture5");
    place(Picture5, -30, 3585, 5280, 1800);
    Picture5->setPicture(pictureOf(QStringLiteral("playlist.bmp")));
    Picture5->setAutoSize(true);

    Text1 = make(new QLineEdit(QStringLiteral("QV-spc|c:\\windows\\desktop\\op4ton.spc"), this),
                 "Text1");
    place(Text1, 1530, 1800, 3690, 315);
    colour(Text1, QColor(0, 192, 192), Black);

    Command1 = make(new CommandButton(QStringLiteral("Load SPC"), this), "Command1");
    place(Command1, 3240, 2385, 1440, 375);
    Command1->setBackColor(QColor(192, 192, 0));
    Command1->setEnabled(false);

    Text2 = linkBox("Text2", "QV-spc|STOP");
    place(Text2, -15, -60, 180, 285);
    Command2 = make(new CommandButton(this), "Command2");
    place(Command2, 3735, 1200, 375, 285);
    showSymbol(Command2, "stop");

    Text3 = linkBox("Text3", "QV-spc|PLAY");
    place(Text3, 0, 30, 180, 285);
    Command3 = make(new CommandButton(this), "Command3");
    place(Command3, 2535, 1200, 375, 285);
    showSymbol(Command3, "play");

    Text4 = linkBox("Text4", "QV-spc|PAUSE");
    place(Text4, 15, -165, 180, 285);
    Command4 = make(new CommandButton(this), "Command4");
    place(Command4, 1380, 1200, 360, 285);
    showSymbol(Command4, "pause");

    Text5 = linkBox("Text5", "QV-spc|QUIT");
    place(Text5, -15, 135, 180, 285);
    colour(Text5, palette().color(QPalette::Text), White);
    Command5 = make(new CommandButton(QStringLiteral("Exit QV-SPC"), this), "Command5");
    place(Command5, 660, 2385, 1425, 360);
    Command5->setFont(fontOf("Tempus Sans ITC", 12, QFont::Normal));
    Command5->setBackColor(QColor(128, 128, 255));

    Picture1 = make(new PictureBox(this), "Picture1");
    place(Picture1, 870, 15, 3465, 1020);
    Picture1->setPicture(pictureOf(QStringLiteral("banner.jpg")));

    Text6 = linkBox("Text6", "Text6");
    place(Text6, 165, 1095, 180, 315);

    Picture2 = make(new PictureBox(this), "Picture2");
    place(Picture2, 2190, 2355, 870, 420);
    Picture2->setPicture(pictureOf(QStringLiteral("filelist-closed.bmp")));
    Picture2->setAutoSize(true);

    Picture3 = make(new PictureBox(this), "Picture3");
    place(Picture3, 4500, 1035, 285, 285);
    Picture3->setPicture(Picture2->picture());
    Picture3->setVisible(false);

    Picture4 = make(new PictureBox(this), "Picture4");
    place(Picture4, 4920, 1035, 360, 345);
    Picture4->setPicture(pictureOf(QStringLiteral("filelist-open.bmp")));
    Picture4->setVisible(false);

    File1 = make(new FileListBox(QString::fromLatin1(SongPattern), platform.folderReader, this),
                 "File1");
    place(File1, 255, 3660, 4860, 990);
    File1->setFont(fontOf("Arial", 9.75, QFont::Bold));
    colour(File1, Green, Black);

    Picture2->installEventFilter(this);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(File1, &FileListBox::doubleClicked, this, &Form1::File1_DblClick);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
}

void Form1::setTabOrder() {
    const QWidget* const byTabIndex[] = {Text1,    Command1, Text2,    Command2, Text3,    Command3,
                                         Text4,    Command4, Text5,    Command5, Picture1, Text6,
                                         Picture2, Picture3, Picture4, File1,    Picture5};
    for (std::size_t i = 1; i < std::size(byTabIndex); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(byTabIndex[i - 1]),
                             const_cast<QWidget*>(byTabIndex[i]));
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

void Form1::place(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(scale_.pixelsX(left), scale_.pixelsY(top), scale_.pixelsX(width),
                         scale_.pixelsY(height));
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
    const TwipPosition position = centredOnScreen(
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
    folder::Command1_Click(
        folderPicker_, static_cast<platform::WindowHandle>(winId()),
        {[this](const std::string& folder) { return File1->setPath(fromUtf8(folder)); },
         [this](const std::string& folder) { Label4->setText(fromUtf8(folder)); }});
}

void Form1::File1_DblClick() {
    // Only a double click on an entry loads a song; the bare folder is never sent.
    const QString fileName = File1->FileName();
    if (fileName.isEmpty())
        return;
    Text1->setText(fromUtf8(link::songPath(File1->Path().toStdString(),
                                           Label4->text().toStdString(), fileName.toStdString())));
    Text6->setText(QStringLiteral("QV-spc|") + Text1->text());
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
    trayIcon_.cbSize = TrayIcon::Size;
    trayIcon_.hWnd = notificationIcon_.callbackWindow();
    trayIcon_.uID = TrayIconId;
    trayIcon_.uFlags = TrayIcon::FlagMessage | TrayIcon::FlagIcon | TrayIcon::FlagTip;
    trayIcon_.uCallbackMessage = TrayIcon::MouseMove;
    trayIcon_.hIcon = notificationIcon_.programIcon();
    trayIcon_.setTip(TrayTip);
    notificationIcon_.add(trayIcon_.bytes());
}

void Form1::deleteTrayIcon() {
    trayIcon_.cbSize = TrayIcon::Size;
    trayIcon_.hWnd = notificationIcon_.callbackWindow();
    trayIcon_.uID = TrayIconId;
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
        form5_ = new about::Form5();
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

} // namespace ostrane::app
