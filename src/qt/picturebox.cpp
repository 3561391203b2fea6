#include "qt/picturebox.h"

#include <QImageReader>
#include <QPainter>
#include <utility>

namespace ostrane::app {

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
}

const QPixmap& PictureBox::picture() const {
    if (!pendingFile_.isEmpty())
        picture_ = QPixmap(std::exchange(pendingFile_, QString()));
    return picture_;
}

void PictureBox::setPicture(const QPixmap& picture) {
    pendingFile_.clear();
    picture_ = picture;
    fitPicture();
    update();
}

void PictureBox::setPictureFile(const QString& file) {
    picture_ = QPixmap();
    pendingFile_ = file;
    fitPicture();
    update();
}

void PictureBox::setAutoSize(bool on) {
    autoSize_ = on;
    fitPicture();
}

void PictureBox::fitPicture() {
    if (!autoSize_)
        return;
    // The file's header alone gives the size of a picture not read yet.
    const QSize size = pendingFile_.isEmpty() ? picture_.size() : QImageReader(pendingFile_).size();
    if (size.isEmpty())
        return;
    const int border = 2 * frameWidth();
    resize(size.width() + border, size.height() + border);
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QPixmap& shown = picture();
    if (shown.isNull())
        return;
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    painter.drawPixmap(contentsRect().topLeft(), shown);
}

} // namespace ostrane::app
