#include "qt/windowdesign.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace ostrane::app {

TwipScale primaryScreenScale() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return TwipScale::forDotsPerInch(static_cast<float>(screen->logicalDotsPerInchX()),
                                     static_cast<float>(screen->logicalDotsPerInchY()));
}

QFont fontOf(const char* face, qreal points, QFont::Weight weight) {
    QFont font(QString::fromLatin1(face));
    font.setPointSizeF(points);
    font.setWeight(weight);
    return font;
}

bool FrameArrival::framedNow(const QWidget& window) {
    if (!armed_ || window.frameGeometry().size() == window.size())
        return false;
    armed_ = false;
    return true;
}

} // namespace ostrane::app
