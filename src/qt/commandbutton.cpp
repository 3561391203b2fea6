#include "qt/commandbutton.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace ostrane::app {

namespace {

// The four shades of a classic 3D edge around a face.
struct Bevel {
    QColor outerLight, innerLight, innerDark, outerDark;
};

void drawBevel(QPainter& painter, QRect r, const Bevel& bevel) {
    auto edge = [&](QRect rect, const QColor& light, const QColor& dark) {
        painter.setPen(light);
        painter.drawLine(rect.topLeft(), rect.topRight() - QPoint(1, 0));
        painter.drawLine(rect.topLeft(), rect.bottomLeft() - QPoint(0, 1));
        painter.setPen(dark);
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        painter.drawLine(rect.topRight(), rect.bottomRight());
    };
    edge(r, bevel.outerLight, bevel.outerDark);
    edge(r.adjusted(1, 1, -1, -1), bevel.innerLight, bevel.innerDark);
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

void CommandButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect all = rect();
    const QColor face = backColor();
    painter.fillRect(all, face);

    const Bevel raised{face.lighter(150), face.lighter(125), face.darker(150), Qt::black};
    const Bevel sunken{Qt::black, face.darker(150), face, face.lighter(150)};
    drawBevel(painter, all, isDown() ? sunken : raised);

    // Contents sink by one pixel while the button is held down.
    const QPoint sink = isDown() ? QPoint(1, 1) : QPoint();
    const QPixmap& shown = shownPicture();
    if (!shown.isNull()) {
        const QPoint at = all.center() - QPoint(shown.width() - 1, shown.height() - 1) / 2;
        if (isEnabled()) {
            painter.drawPixmap(at + sink, shown);
        } else {
            painter.setOpacity(0.4);
            painter.drawPixmap(at, shown);
            painter.setOpacity(1.0);
        }
    }

    if (!text().isEmpty()) {
        const QRect textArea = all.adjusted(2, 2, -2, -2).translated(sink);
        const int flags = Qt::AlignCenter | Qt::TextSingleLine;
        painter.setFont(font());
        if (isEnabled()) {
            painter.setPen(palette().color(QPalette::ButtonText));
            painter.drawText(textArea, flags, text());
        } else {
            painter.setPen(face.lighter(160));
            painter.drawText(textArea.translated(1, 1), flags, text());
            painter.setPen(face.darker(160));
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

} // namespace ostrane::app
