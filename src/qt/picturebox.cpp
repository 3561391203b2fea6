#include "qt/picturebox.h"

#include "qt/windowdesign.h"

#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <utility>

namespace ostrane::qt {

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    // The background is painted with the border and the picture, on the same device pixels,
    // so that no strip of it shows between them at a fractional scale.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        event->accept();
        emit clicked();
        return;
    }
    QFrame::keyPressEvent(event);
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    doubleClicked_ = true;
    QFrame::mouseDoubleClickEvent(event);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const bool endsDoubleClick = std::exchange(doubleClicked_, false);
    if (event->button() == Qt::LeftButton && !endsDoubleClick &&
        rect().contains(event->position().toPoint()))
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}

const QPixmap& PictureBox::picture() const {
    if (!pendingFile_.isEmpty())
        picture_ = pictureForScreen(std::exchange(pendingFile_, QString()));
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
    const QSize size = pendingFile_.isEmpty() ? picture_.deviceIndependentSize().toSize()
                                              : QImageReader(pendingFile_).size();
    if (size.isEmpty())
        return;
    const int border = 2 * frameWidth();
    resize(size.width() + border, size.height() + border);
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    const QRect all = inDevicePixels(painter, rect());
    painter.fillRect(all, palette().color(QPalette::Window));
    const int line = frameWidth() > 0 ? devicePixelsPerLine(*this) : 0;
    if (line > 0) {
        const QColor border = palette().color(QPalette::WindowText);
        painter.fillRect(all.left(), all.top(), all.width(), line, border);
        painter.fillRect(all.left(), all.bottom() - line + 1, all.width(), line, border);
        painter.fillRect(all.left(), all.top(), line, all.height(), border);
        painter.fillRect(all.right() - line + 1, all.top(), line, all.height(), border);
    }
    const QPixmap& shown = picture();
    if (shown.isNull())
        return;
    const QRect inside = all.adjusted(line, line, -line, -line);
    const QSizeF logical = shown.deviceIndependentSize();
    QSize size(static_cast<int>(std::lround(logical.width() * ratio)),
               static_cast<int>(std::lround(logical.height() * ratio)));
    // A picture that fits its box to within a pixel of rounding fills it exactly.
    if (std::abs(size.width() - inside.width()) <= 1)
        size.setWidth(inside.width());
    if (std::abs(size.height() - inside.height()) <= 1)
        size.setHeight(inside.height());
    painter.setClipRect(inside);
    if (size != shown.size())
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRect(inside.topLeft(), size), shown);
}

} // namespace ostrane::qt
