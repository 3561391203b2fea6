#include "qt/commandbutton.h"

#include "core/screenpixels.h"
#include "core/shades.h"
#include "qt/windowdesign.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <cmath>

namespace ostrane::qt {

namespace {

QColor qColour(core::Colour colour) {
    return colourOf(colour, QColor());
}

core::Colour coreColour(const QColor& colour) {
    return core::Colour::rgb(static_cast<std::uint8_t>(colour.red()),
                             static_cast<std::uint8_t>(colour.green()),
                             static_cast<std::uint8_t>(colour.blue()));
}

// Draws the edge in bands of `line` pixels each: the light shades above and to the left, the
// dark ones below and to the right.
void drawBevel(QPainter& painter, QRect r, int line, const core::Bevel& bevel) {
    const auto rings = core::bevelRings({r.left(), r.top(), r.right() + 1, r.bottom() + 1}, line);
    auto fill = [&](const core::PixelRect& band, const QColor& colour) {
        painter.fillRect(
            QRect(QPoint(band.left, band.top), QPoint(band.right - 1, band.bottom - 1)), colour);
    };
    auto edge = [&](const core::EdgeRing& ring, const QColor& light, const QColor& dark) {
        fill(ring.top, light);
        fill(ring.left, light);
        fill(ring.bottom, dark);
        fill(ring.right, dark);
    };
    edge(rings[0], qColour(bevel.outerLight), qColour(bevel.outerDark));
    edge(rings[1], qColour(bevel.innerLight), qColour(bevel.innerDark));
}

} // namespace

CommandButton::CommandButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CommandButton::setPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void CommandButton::setDownPicture(const QPixmap& picture) {
    downPicture_ = picture;
    update();
}

QColor CommandButton::backColor() const {
    return palette().color(QPalette::Button);
}

void CommandButton::setBackColor(const QColor& colour) {
    QPalette own = palette();
    own.setColor(QPalette::Button, colour);
    setPalette(own);
}

const QPixmap& CommandButton::shownPicture() const {
    return isDown() && !downPicture_.isNull() ? downPicture_ : picture_;
}

namespace {

bool isReturn(const QKeyEvent* event) {
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
           event->modifiers() == Qt::NoModifier;
}

} // namespace

void CommandButton::keyPressEvent(QKeyEvent* event) {
    if (!isReturn(event)) {
        QPushButton::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat())
        setDown(true);
    event->accept();
}

void CommandButton::keyReleaseEvent(QKeyEvent* event) {
    if (!isReturn(event)) {
        QPushButton::keyReleaseEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat() || !isDown())
        return;
    setDown(false);
    click();
}

void CommandButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect all = rect();
    const QColor face = backColor();
    const qreal ratio = devicePixelRatioF();
    const int line = devicePixelsPerLine(*this);

    // The face, edge and picture on whole device pixels: at a fractional scale a one-pixel
    // line would otherwise be smeared over two.
    painter.save();
    const QRect device = inDevicePixels(painter, all);
    painter.fillRect(device, face);
    drawBevel(painter, device, line, core::buttonBevel(coreColour(face), isDown()));

    // Contents sink by one pixel while the button is held down.
    const QPoint sink = isDown() ? QPoint(1, 1) : QPoint();
    const QPixmap& shown = shownPicture();
    if (!shown.isNull()) {
        const QSizeF logical = shown.deviceIndependentSize();
        const QSize size(static_cast<int>(std::lround(logical.width() * ratio)),
                         static_cast<int>(std::lround(logical.height() * ratio)));
        const QPoint at(core::centredStart(device.left(), device.right() + 1, size.width()),
                        core::centredStart(device.top(), device.bottom() + 1, size.height()));
        if (size != shown.size())
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
        if (isEnabled()) {
            painter.drawPixmap(QRect(at + sink * line, size), shown);
        } else {
            painter.setOpacity(0.4);
            painter.drawPixmap(QRect(at, size), shown);
            painter.setOpacity(1.0);
        }
    }
    painter.restore();

    if (!text().isEmpty()) {
        const QRect textArea = all.adjusted(2, 2, -2, -2).translated(sink);
        const int flags = Qt::AlignCenter | Qt::TextSingleLine;
        painter.setFont(font());
        if (isEnabled()) {
            painter.setPen(palette().color(QPalette::ButtonText));
            painter.drawText(textArea, flags, text());
        } else {
            const core::Etching etching = core::etchedCaption(coreColour(face));
            painter.setPen(qColour(etching.light));
            painter.drawText(textArea.translated(1, 1), flags, text());
            painter.setPen(qColour(etching.dark));
            painter.drawText(textArea, flags, text());
        }
    }

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = all.adjusted(4, 4, -4, -4);
        focus.backgroundColor = face;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

} // namespace ostrane::qt
