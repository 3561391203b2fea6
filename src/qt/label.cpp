#include "qt/label.h"

#include <QMouseEvent>

namespace ostrane::qt {

void Label::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    emit mouseMoved();
}

void Label::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit mousePressed();
}

void Label::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    emit mousePressed();
}

} // namespace ostrane::qt
