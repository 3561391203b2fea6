#include "qt/form5.h"

#include "core/placement.h"
#include "qt/accessibility.h"
#include "qt/picturebox.h"
#include "qt/windowdesign.h"

#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

namespace ostrane::about {

namespace {

constexpr int ClientWidth = 5790;
constexpr int ClientHeight = 6420;

const QColor Black(0, 0, 0);
const QColor Silver(192, 192, 192);

} // namespace

Form5::Form5(QWidget* parent) : QWidget(parent, Qt::Window), scale_(app::primaryScreenScale()) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("About the Coder. . ."));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/goblet.ico")));
    QPalette surface = palette();
    surface.setColor(QPalette::Window, Black);
    setPalette(surface);
    setAutoFillBackground(true);
    setFixedSize(scale_.pixelsX(ClientWidth), scale_.pixelsY(ClientHeight));
    setAttribute(Qt::WA_DeleteOnClose);
    createControls();
    Picture3->installEventFilter(this);
    presentAsButton(Picture3, "Close");
    Picture2->setAccessibleName(QStringLiteral("Divider"));
}

void Form5::Form5_Load() {
    centre();
    frameArrival_.arm();
}

void Form5::centre() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int left = app::centredInWholeTwips(scale_.twipsX(screen.width()),
                                              scale_.twipsX(frameGeometry().width()));
    move(screen.x() + scale_.pixelsX(static_cast<float>(left)), y());
    const QRect screenNow = QGuiApplication::primaryScreen()->geometry();
    const int top = app::centredInWholeTwips(scale_.twipsY(screenNow.height()),
                                             scale_.twipsY(frameGeometry().height()));
    move(x(), screenNow.y() + scale_.pixelsY(static_cast<float>(top)));
}

bool Form5::event(QEvent* event) {
    if (frameArrival_.framedNow(*this))
        centre();
    return QWidget::event(event);
}

bool Form5::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Picture3 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            Picture3->rect().contains(mouse->position().toPoint()))
            Picture3_Click();
    }
    if (watched == Picture3 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space || key->key() == Qt::Key_Return ||
            key->key() == Qt::Key_Enter) {
            Picture3_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form5::Picture3_Click() {
    close();
}

void Form5::createControls() {
    // Created back to front, so that each control lies in front of the ones before it.
    auto label = [this](const char* name, const char* caption, const char* face, qreal points,
                        QColor colour, Qt::Alignment alignment) {
        auto* control = new QLabel(QString::fromUtf8(caption), this);
        control->setObjectName(QString::fromLatin1(name));
        control->setFont(app::fontOf(face, points));
        control->setAlignment(alignment | Qt::AlignTop);
        control->setWordWrap(true);
        QPalette own = control->palette();
        own.setColor(QPalette::WindowText, colour);
        own.setColor(QPalette::Window, Black);
        control->setPalette(own);
        control->setAutoFillBackground(true);
        return control;
    };
    auto picture = [this](const char* name, const char* file) {
        auto* control = new app::PictureBox(this);
        control->setObjectName(QString::fromLatin1(name));
        control->setPicture(app::pictureForScreen(QString::fromLatin1(file)));
        return control;
    };

    Label1 = label("Label1", "A B O U T   T H E   C O D E R", "Century Gothic", 18,
                   QColor(0, 192, 192), Qt::AlignHCenter);
    place(Label1, -60, 135, 5565, 750);
    // The heading alone lets the window show through.
    Label1->setAutoFillBackground(false);

    Label2 = label("Label2", "Coded by Maren Quillfeather, 2026", "Century Gothic", 12,
                   QColor(0, 255, 0), Qt::AlignHCenter);
    place(Label2, 300, 585, 4635, 315);

    Label3 = label("Label3", "Contact the coder:", "Tahoma", 9.75, QColor(192, 192, 255),
                   Qt::AlignHCenter);
    place(Label3, 30, 1335, 1950, 360);

    Label4 = label("Label4", "Chat:", "News Gothic MT", 12, Silver, Qt::AlignHCenter);
    place(Label4, -180, 1665, 1035, 330);

    Label5 = label("Label5",
                   "Nettlenet: in #spc-music, #ostrane and #chip-sound most evenings, as "
                   "Quillfeather, MarenQ or Quill_away",
                   "Arial", 9.75, QColor(255, 0, 0), Qt::AlignLeft);
    place(Label5, 1095, 1695, 3810, 975);

    Label6 = label("Label6",
                   "Lanternlink: in #chiptune, #qv-spc and #tracker-talk at weekends, "
                   "as Quill or Feather",
                   "Arial", 9.75, QColor(0, 0, 255), Qt::AlignLeft);
    place(Label6, 1080, 2685, 3525, 1005);

    Label7 = label("Label7", "Emberchat: in #retro-audio and #ostrane-help, as Maren_Q", "Arial",
                   9.75, QColor(255, 128, 0), Qt::AlignLeft);
    place(Label7, 1065, 3495, 3405, 735);

    Label8 = label("Label8", "IM#:", "Arial", 12, Silver, Qt::AlignLeft);
    place(Label8, 60, 4455, 945, 300);

    Label9 =
        label("Label9", "5550142", "Century Gothic", 14.25, QColor(255, 0, 255), Qt::AlignLeft);
    place(Label9, 1110, 4455, 1395, 390);

    Label10 = label("Label10", "Web:", "Arial", 12, Silver, Qt::AlignLeft);
    place(Label10, 60, 4830, 1185, 405);

    Label11 = label("Label11", "A web site is on its way. . .", "News Gothic MT", 11.25,
                    QColor(0, 128, 128), Qt::AlignLeft);
    place(Label11, 1185, 4830, 2940, 360);

    Label12 = label("Label12", "E-mail:", "Arial", 12, Silver, Qt::AlignHCenter);
    place(Label12, 45, 5205, 1065, 330);

    Label13 = label("Label13", "maren.q@example.invalid", "Arial", 9.75, QColor(192, 192, 0),
                    Qt::AlignLeft);
    place(Label13, 1170, 5220, 2820, 360);

    Picture2 = picture("Picture2", ":/pictures/scrollwork.gif");
    place(Picture2, 30, 960, 5685, 270);

    Picture3 = picture("Picture3", ":/pictures/close.gif");
    place(Picture3, 4380, 5460, 1170, 810);
}

void Form5::place(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(scale_.pixelsX(left), scale_.pixelsY(top), scale_.pixelsX(width),
                         scale_.pixelsY(height));
}

} // namespace ostrane::about
