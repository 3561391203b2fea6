#include "qt/windowdesign.h"

#include "qt/fonts.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace ostrane::qt {

core::TwipScale primaryScreenScale() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return core::TwipScale::forDotsPerInch(static_cast<float>(screen->logicalDotsPerInchX()),
                                           static_cast<float>(screen->logicalDotsPerInchY()));
}

namespace {

// Where a picture is read fastest: its bitmap twin ("banner.bmp" for "banner.jpg", "corvissa.bmp"
// for "corvissa.ico") where there is one. Qt reads a bitmap itself, with no plugin, codec or
// decompressor to load, and the icon's twin brings its alpha as it is, where the icon's mask
// would first build Qt's colour tables.
QString quickestPicturePath(const QString& path) {
    const QString twin = path.left(path.lastIndexOf(u'.')) + QStringLiteral(".bmp");
    return twin != path && QFile::exists(twin) ? twin : path;
}

// Read by the handler the file's suffix names. Left to find the format itself, Qt would
// first ask every image plugin whether it reads it, loading them all and their codecs.
void readBySuffixOnly(QImageReader& reader) {
    const QString name = reader.fileName();
    reader.setFormat(name.mid(name.lastIndexOf(u'.') + 1).toLower().toLatin1());
    reader.setAutoDetectImageFormat(false);
}

QPixmap readPicture(const QString& path) {
    QImageReader reader(path);
    readBySuffixOnly(reader);
    return QPixmap::fromImage(reader.read());
}

} // namespace

QPixmap pictureForScreen(const QString& path) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && screen->devicePixelRatio() > 1.0) {
        const QString twinPath = path.left(path.lastIndexOf(u'.')) + QStringLiteral("@2x.png");
        // The icons have no twin, and Qt warns when asked to read a missing file.
        QPixmap twin = QFile::exists(twinPath) ? readPicture(twinPath) : QPixmap();
        if (!twin.isNull()) {
            twin.setDevicePixelRatio(2.0);
            return twin;
        }
    }
    return readPicture(quickestPicturePath(path));
}

QSize pictureSize(const QString& path) {
    QImageReader reader(quickestPicturePath(path));
    readBySuffixOnly(reader);
    return reader.size();
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

QFont fontOf(const core::Font& font, const QFont& windowFont) {
    if (font.isWindowFont())
        return windowFont;
    const QString face =
        QString::fromUtf8(font.face.data(), static_cast<qsizetype>(font.face.size()));
    QFont own(installedFace(face));
    own.setPointSizeF(font.points);
    own.setWeight(static_cast<QFont::Weight>(font.weight));
    return own;
}

namespace {

QPalette makeFixedPalette() {
    struct Shade {
        QPalette::ColorRole role;
        QRgb normal;
        QRgb disabled;
    };
    // A light palette: grey faces, black text on white fields, blue selection; disabled text
    // greyed out.
    const Shade shades[] = {
        {QPalette::WindowText, 0xff000000, 0xffbebebe},
        {QPalette::Button, 0xffefefef, 0xffefefef},
        {QPalette::Light, 0xffffffff, 0xffffffff},
        {QPalette::Midlight, 0xffcacaca, 0xffcacaca},
        {QPalette::Dark, 0xff9f9f9f, 0xffbebebe},
        {QPalette::Mid, 0xffb8b8b8, 0xffb8b8b8},
        {QPalette::Text, 0xff000000, 0xffbebebe},
        {QPalette::BrightText, 0xffffffff, 0xffffffff},
        {QPalette::ButtonText, 0xff000000, 0xffbebebe},
        {QPalette::Base, 0xffffffff, 0xffefefef},
        {QPalette::Window, 0xffefefef, 0xffefefef},
        {QPalette::Shadow, 0xff767676, 0xffb1b1b1},
        {QPalette::Highlight, 0xff308cc6, 0xff919191},
        {QPalette::HighlightedText, 0xffffffff, 0xffffffff},
        {QPalette::Link, 0xff0000ff, 0xff0000ff},
        {QPalette::LinkVisited, 0xffff00ff, 0xffff00ff},
        {QPalette::AlternateBase, 0xfff7f7f7, 0xfff7f7f7},
        {QPalette::NoRole, 0xff000000, 0xff000000},
        {QPalette::ToolTipBase, 0xffffffdc, 0xffffffdc},
        {QPalette::ToolTipText, 0xff000000, 0xff000000},
        {QPalette::PlaceholderText, 0x80000000, 0x80000000},
    };
    QPalette palette;
    for (const Shade& shade : shades) {
        for (auto group : {QPalette::Active, QPalette::Inactive})
            palette.setColor(group, shade.role, QColor::fromRgba(shade.normal));
        palette.setColor(QPalette::Disabled, shade.role, QColor::fromRgba(shade.disabled));
    }
    return palette;
}

} // namespace

const QPalette& fixedPalette() {
    static const QPalette palette = makeFixedPalette();
    return palette;
}

QColor colourOf(const core::Colour& colour, const QColor& toolkitDefault) {
    switch (colour.source) {
    case core::Colour::Source::Rgb:
        return QColor(colour.red, colour.green, colour.blue);
    case core::Colour::Source::WindowBackground:
        return fixedPalette().color(QPalette::Active, QPalette::Base);
    case core::Colour::Source::WindowText:
        return fixedPalette().color(QPalette::Active, QPalette::Text);
    case core::Colour::Source::ButtonFace:
        return fixedPalette().color(QPalette::Active, QPalette::Button);
    case core::Colour::Source::ToolkitDefault:
        break;
    }
    return toolkitDefault;
}

bool FrameArrival::framedNow(const QWidget& window) {
    if (!armed_ || window.frameGeometry().size() == window.size())
        return false;
    armed_ = false;
    return true;
}

} // namespace ostrane::qt
