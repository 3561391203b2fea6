#include "qt/windowdesign.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

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

QPixmap pictureForScreen(const QString& path) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && screen->devicePixelRatio() > 1.0) {
        QPixmap twin(path.left(path.lastIndexOf(u'.')) + QStringLiteral("@2x.png"));
        if (!twin.isNull()) {
            twin.setDevicePixelRatio(2.0);
            return twin;
        }
    }
    return QPixmap(path);
}

QRect inDevicePixels(QPainter& painter, const QRect& logical) {
    const QTransform toDevice = painter.deviceTransform();
    const QRectF mapped = toDevice.mapRect(QRectF(logical));
    // From now on a unit of the painter's coordinates is one pixel of the device.
    painter.setWorldTransform(toDevice.inverted() * painter.worldTransform(), false);
    return QRect(QPoint(qRound(mapped.left()), qRound(mapped.top())),
                 QPoint(qRound(mapped.right()) - 1, qRound(mapped.bottom()) - 1));
}

int devicePixelsPerLine(const QWidget& widget) {
    return std::max(1, static_cast<int>(std::lround(widget.devicePixelRatioF())));
}

bool FrameArrival::framedNow(const QWidget& window) {
    if (!armed_ || window.frameGeometry().size() == window.size())
        return false;
    armed_ = false;
    return true;
}

} // namespace ostrane::app
