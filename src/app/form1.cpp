#include "app/form1.h"

#include "app/linktextbox.h"
#include "app/picturebox.h"
#include "app/placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <cmath>

namespace ostrane::app {

namespace {

constexpr int ClientWidth = 5250;
constexpr int ClientHeight = 2895;

TwipScale primaryScreenScale() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return TwipScale::forDotsPerInch(static_cast<float>(screen->logicalDotsPerInchX()),
                                     static_cast<float>(screen->logicalDotsPerInchY()));
}

QFont fontOf(const char* face, qreal points, QFont::Weight weight) {
    QFont f(QString::fromLatin1(face));
    f.setPointSizeF(points);
    f.setWeight(weight);
    return f;
}

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

void face(QPushButton* button, QColor colour) {
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, colour);
    button->setPalette(palette);
}

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor Green(0, 255, 0);

} // namespace

Form1::Form1(const Form1Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      scale_(primaryScreenScale()) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Corvissa"));
    setFont(fontOf("MS Sans Serif", 8.25, QFont::Bold));
    // Only the window's own surface is black; its controls keep the system's colours
    // unless they have their own.
    QPalette surface = palette();
    surface.setColor(QPalette::Window, Black);
    surface.setColor(QPalette::WindowText, QColor(255, 255, 0));
    setPalette(surface);
    setAutoFillBackground(true);
    setFixedSize(scale_.pixelsX(ClientWidth), scale_.pixelsY(ClientHeight));
    createControls(platform.conversations);
    setTabOrder();
}

void Form1::createControls(platform::Conversations& conversations) {
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
        auto* control = make(new LinkTextBox(conversations, this), name);
        control->setText(QString::fromLatin1(text));
        control->setVisible(false);
        return control;
    };

    Label1 = label("Label1", "EXIT");
    place(Label1, 45, 300, 645, 270);
    Label1->setFont(fontOf("Arial", 12, QFont::Normal));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    colour(Label1, White, Black);

    Label2 = label("Label2", "ABOUT");
    place(Label2, 4455, 300, 765, 240);
    Label2->setFont(fontOf("Arial", 11.25, QFont::Normal));
    Label2->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    colour(Label2, White, Black);

    Label3 = label("Label3", "Current File Loaded:");
    place(Label3, 195, 1725, 1170, 420);
    Label3->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label3->setWordWrap(true);
    colour(Label3, Green, Black);

    Label4 = label("Label4", "Label4");
    place(Label4, 1830, 3030, 3450, 255);
    colour(Label4, QColor(0, 192, 0));

    Label5 = label("Label5", "");
    place(Label5, 165, 2295, 390, 315);
    Label5->setVisible(false);

    Label6 = label("Label6", "Current Directory:");
    place(Label6, 75, 3030, 1725, 315);
    colour(Label6, Green, Black);

    Picture5 = make(new PictureBox(this), "Picture5");
    place(Picture5, -30, 3585, 5280, 1800);

    Text1 = make(new QLineEdit(QStringLiteral("QV-spc|c:\\windows\\desktop\\op4ton.spc"), this),
                 "Text1");
    place(Text1, 1530, 1800, 3690, 315);
    colour(Text1, QColor(0, 192, 192), Black);

    Command1 = make(new QPushButton(QStringLiteral("Load SPC"), this), "Command1");
    place(Command1, 3240, 2385, 1440, 375);
    face(Command1, QColor(192, 192, 0));
    Command1->setEnabled(false);

    Text2 = linkBox("Text2", "QV-spc|STOP");
    place(Text2, -15, -60, 180, 285);
    Command2 = make(new QPushButton(this), "Command2");
    place(Command2, 3735, 1200, 375, 285);

    Text3 = linkBox("Text3", "QV-spc|PLAY");
    place(Text3, 0, 30, 180, 285);
    Command3 = make(new QPushButton(this), "Command3");
    place(Command3, 2535, 1200, 375, 285);

    Text4 = linkBox("Text4", "QV-spc|PAUSE");
    place(Text4, 15, -165, 180, 285);
    Command4 = make(new QPushButton(this), "Command4");
    place(Command4, 1380, 1200, 360, 285);

    Text5 = linkBox("Text5", "QV-spc|QUIT");
    place(Text5, -15, 135, 180, 285);
    colour(Text5, palette().color(QPalette::Text), White);
    Command5 = make(new QPushButton(QStringLiteral("Exit QV-SPC"), this), "Command5");
    place(Command5, 660, 2385, 1425, 360);
    Command5->setFont(fontOf("Tempus Sans ITC", 12, QFont::Normal));
    face(Command5, QColor(128, 128, 255));

    Picture1 = make(new PictureBox(this), "Picture1");
    place(Picture1, 870, 15, 3465, 1020);

    Text6 = linkBox("Text6", "Text6");
    place(Text6, 165, 1095, 180, 315);

    Picture2 = make(new PictureBox(this), "Picture2");
    place(Picture2, 2190, 2355, 870, 420);

    Picture3 = make(new PictureBox(this), "Picture3");
    place(Picture3, 4500, 1035, 285, 285);
    Picture3->setVisible(false);

    Picture4 = make(new PictureBox(this), "Picture4");
    place(Picture4, 4920, 1035, 360, 345);
    Picture4->setVisible(false);

    File1 = make(new QListWidget(this), "File1");
    place(File1, 255, 3660, 4860, 990);
    File1->setFont(fontOf("Arial", 9.75, QFont::Bold));
    colour(File1, Green, Black);

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

void Form1::Form1_Load() {
    centre();
    loaded_ = true;
}

void Form1::centre() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const TwipPosition position = centredOnScreen(
        scale_.twipsX(screen.width()), scale_.twipsY(screen.height()), Width(), Height());
    move(screen.x() + scale_.pixelsX(position.left), screen.y() + scale_.pixelsY(position.top));
}

bool Form1::event(QEvent* event) {
    // Before the window manager has framed the window its outer size is its client size;
    // once the frame is known, the window is centred again with its true outer size.
    if (loaded_ && !framed_ && frameGeometry().size() != size()) {
        framed_ = true;
        centre();
    }
    return QWidget::event(event);
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

} // namespace ostrane::app
