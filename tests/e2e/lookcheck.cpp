// Screenshots for the end-to-end look test.
//
//   lookcheck grab WINDOW OUT.png
//       saves the X window's contents (the client area, without its frame) as a PNG.
//   lookcheck compare REFERENCE.png ACTUAL.png [X,Y,W,H]...
//       compares two screenshots: sizes must be equal and every pixel outside the listed text
//       areas must keep its colour; inside them, where glyphs may be rendered differently,
//       only the colour averaged over small blocks must stay close. Prints each difference
//       and ends with status 1 when there is one.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QScreen>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Per channel: what a decoder may differ by on the same picture.
constexpr int PixelTolerance = 24;
constexpr int Block = 6;
// Per channel, averaged over a block of text.
constexpr int BlockTolerance = 56;

int grab(const char* window, const char* out) {
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(
        static_cast<WId>(std::strtoull(window, nullptr, 0)));
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(out), "PNG")) {
        std::fprintf(stderr, "cannot grab window %s\n", window);
        return 2;
    }
    return 0;
}

int channelDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

QRgb blockMean(const QImage& image, const QRect& block) {
    long r = 0, g = 0, b = 0;
    for (int y = block.top(); y <= block.bottom(); ++y)
        for (int x = block.left(); x <= block.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            r += qRed(pixel);
            g += qGreen(pixel);
            b += qBlue(pixel);
        }
    const long n = static_cast<long>(block.width()) * block.height();
    return qRgb(int(r / n), int(g / n), int(b / n));
}

int compare(const char* referencePath, const char* actualPath, const std::vector<QRect>& text) {
    const QImage reference =
        QImage(QString::fromLocal8Bit(referencePath)).convertToFormat(QImage::Format_RGB32);
    const QImage actual =
        QImage(QString::fromLocal8Bit(actualPath)).convertToFormat(QImage::Format_RGB32);
    if (reference.isNull() || actual.isNull()) {
        std::fprintf(stderr, "cannot read %s or %s\n", referencePath, actualPath);
        return 2;
    }
    if (reference.size() != actual.size()) {
        std::printf("size %dx%d, expected %dx%d\n", actual.width(), actual.height(),
                    reference.width(), reference.height());
        return 1;
    }
    auto inText = [&](int x, int y) {
        for (const QRect& area : text)
            if (area.contains(x, y))
                return true;
        return false;
    };
    int differences = 0;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (!inText(x, y) &&
                channelDistance(reference.pixel(x, y), actual.pixel(x, y)) > PixelTolerance) {
                if (++differences <= 20)
                    std::printf("pixel %d,%d is #%06x, expected #%06x\n", x, y,
                                actual.pixel(x, y) & 0xffffff, reference.pixel(x, y) & 0xffffff);
            }
    for (const QRect& area : text) {
        const QRect clipped = area.intersected(actual.rect());
        for (int y = clipped.top(); y <= clipped.bottom(); y += Block)
            for (int x = clipped.left(); x <= clipped.right(); x += Block) {
                const QRect block = QRect(x, y, Block, Block).intersected(clipped);
                const QRgb want = blockMean(reference, block);
                const QRgb got = blockMean(actual, block);
                if (channelDistance(want, got) > BlockTolerance && ++differences <= 40)
                    std::printf("text block at %d,%d averages #%06x, expected #%06x\n", x, y,
                                got & 0xffffff, want & 0xffffff);
            }
    }
    if (differences > 0)
        std::printf("%d differences\n", differences);
    return differences > 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() == 4 && arguments[1] == "grab")
        return grab(argv[2], argv[3]);
    if (arguments.size() >= 4 && arguments[1] == "compare") {
        std::vector<QRect> text;
        for (qsizetype i = 4; i < arguments.size(); ++i) {
            const QStringList parts = arguments[i].split(',');
            if (parts.size() != 4) {
                std::fprintf(stderr, "a text area is X,Y,W,H: %s\n", argv[i]);
                return 2;
            }
            text.emplace_back(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(),
                              parts[3].toInt());
        }
        return compare(argv[2], argv[3], text);
    }
    std::fprintf(stderr, "usage: lookcheck grab WINDOW OUT.png\n"
                         "       lookcheck compare REFERENCE.png ACTUAL.png [X,Y,W,H]...\n");
    return 2;
}
