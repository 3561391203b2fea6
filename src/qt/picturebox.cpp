#include "qt/picturebox.h"

#include <QApplication>
#include <QPainter>

namespace ostrane::app {

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    // The system's window colours, whatever the parent's: the border in window text.
    const QPalette system = QApplication::palette();
    QPalette own = palette();
    own.setColor(QPalette::Window, system.color(QPalette::Base));
    own.setColor(QPalette::WindowText, system.color(QPalette::Text));
    setPalette(own);
    setAutoFillBackground(true);
}

void PictureBox::setPicture(const QPixmap& picture) {
    picture_ = picture;
    fitPicture();
    update();
}

void PictureBox::setAutoSize(bool on) {
    autoSize_ = on;
    fitPicture();
}

void PictureBox::fitPicture() {
    if (!autoSize_ || picture_.isNull())
        return;
    const int border = 2 * frameWidth();
    resize(picture_.width() + border, picture_.height() + border);
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (picture_.isNull())
        return;
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    painter.drawPixmap(contentsRect().topLeft(), picture_);
}

} // namespace ostrane::app
