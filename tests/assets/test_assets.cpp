#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

enum class Format { Bmp, Jpeg, Gif, Ico };

struct AssetDescription {
    const char* file;
    Format format;
    int width, height;
    int bitsPerPixel;
    qint64 bytes;
};

const AssetDescription Assets[] = {
    {"banner.jpg", Format::Jpeg, 238, 69, 24, 7144},
    {"banner.bmp", Format::Bmp, 238, 69, 24, 49458},
    {"filelist-closed.bmp", Format::Bmp, 56, 26, 24, 4422},
    {"filelist-open.bmp", Format::Bmp, 56, 26, 24, 4422},
    {"playlist.bmp", Format::Bmp, 350, 118, 8, 42614},
    {"stop.bmp", Format::Bmp, 23, 18, 4, 334},
    {"play.bmp", Format::Bmp, 23, 18, 4, 334},
    {"pause.bmp", Format::Bmp, 23, 18, 4, 334},
    {"stop-down.bmp", Format::Bmp, 23, 18, 8, 1510},
    {"play-down.bmp", Format::Bmp, 23, 18, 8, 1510},
    {"pause-down.bmp", Format::Bmp, 23, 18, 8, 1510},
    {"corvissa.ico", Format::Ico, 32, 32, 8, 2238},
    {"goblet.ico", Format::Ico, 20, 32, 8, 1854},
    {"scrollwork.gif", Format::Gif, 583, 16, 8, 3674},
    {"close.gif", Format::Gif, 76, 52, 8, 2422},
};

struct Header {
    int width = 0, height = 0, bitsPerPixel = 0;
};

std::uint32_t le(const QByteArray& data, qsizetype at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<std::uint8_t>(data.at(at + i));
    return value;
}

std::uint32_t be16(const QByteArray& data, qsizetype at) {
    return (static_cast<std::uint8_t>(data.at(at)) << 8) |
           static_cast<std::uint8_t>(data.at(at + 1));
}

// An uncompressed Windows bitmap whose own size field is the file's size.
std::optional<Header> readBmp(const QByteArray& data) {
    if (data.size() < 54 || !data.startsWith("BM") ||
        le(data, 2, 4) != std::uint32_t(data.size()) || le(data, 14, 4) != 40 ||
        le(data, 30, 4) != 0)
        return std::nullopt;
    return Header{int(le(data, 18, 4)), int(le(data, 22, 4)), int(le(data, 28, 2))};
}

// JFIF: the APP0 segment right after the start, the size from the first frame header.
std::optional<Header> readJpeg(const QByteArray& data) {
    if (!data.startsWith("\xFF\xD8\xFF\xE0") || data.mid(6, 5) != QByteArray("JFIF\0", 5))
        return std::nullopt;
    for (qsizetype at = 2; at + 9 < data.size();) {
        if (static_cast<std::uint8_t>(data.at(at)) != 0xFF)
            return std::nullopt;
        const auto marker = static_cast<std::uint8_t>(data.at(at + 1));
        if (marker == 0xC0 || marker == 0xC2)
            return Header{int(be16(data, at + 7)), int(be16(data, at + 5)),
                          8 * static_cast<std::uint8_t>(data.at(at + 9))};
        at += 2 + be16(data, at + 2);
    }
    return std::nullopt;
}

// GIF89a with a 256-colour global table, one image and no transparent colour.
std::optional<Header> readGif(const QByteArray& data) {
    if (!data.startsWith("GIF89a") || data.size() < 13 + 768)
        return std::nullopt;
    const auto packed = static_cast<std::uint8_t>(data.at(10));
    if ((packed & 0x87) != 0x87)
        return std::nullopt;
    auto skipSubBlocks = [&](qsizetype at) {
        while (at < data.size() && data.at(at) != 0)
            at += 1 + static_cast<std::uint8_t>(data.at(at));
        return at + 1;
    };
    int images = 0;
    qsizetype at = 13 + 768;
    while (at < data.size()) {
        const auto block = static_cast<std::uint8_t>(data.at(at));
        if (block == 0x3B)
            break;
        if (block == 0x21) {
            if (static_cast<std::uint8_t>(data.at(at + 1)) == 0xF9 && (data.at(at + 3) & 1))
                return std::nullopt; // a transparent colour
            at = skipSubBlocks(at + 2);
        } else if (block == 0x2C) {
            ++images;
            const auto local = static_cast<std::uint8_t>(data.at(at + 9));
            at += 10 + ((local & 0x80) ? 3 * (2 << (local & 7)) : 0);
            at = skipSubBlocks(at + 1);
        } else {
            return std::nullopt;
        }
    }
    if (images != 1 || at != data.size() - 1)
        return std::nullopt;
    return Header{int(le(data, 6, 2)), int(le(data, 8, 2)), (packed & 7) + 1};
}

// One icon image whose directory entry and bitmap header agree.
std::optional<Header> readIco(const QByteArray& data) {
    if (data.size() < 22 + 40 || le(data, 0, 2) != 0 || le(data, 2, 2) != 1 || le(data, 4, 2) != 1)
        return std::nullopt;
    const std::uint32_t length = le(data, 14, 4);
    const std::uint32_t offset = le(data, 18, 4);
    if (offset != 22 || offset + length != std::uint32_t(data.size()))
        return std::nullopt;
    const int width = int(le(data, 6, 1));
    const int height = int(le(data, 7, 1));
    if (le(data, offset, 4) != 40 || int(le(data, offset + 4, 4)) != width ||
        int(le(data, offset + 8, 4)) != 2 * height || le(data, offset + 14, 2) != le(data, 12, 2))
        return std::nullopt;
    return Header{width, height, int(le(data, 12, 2))};
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QImage decoded(const char* file) {
    return QImage(QStringLiteral(":/pictures/") + QString::fromLatin1(file));
}

double meanLightness(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += QColor(image.pixel(x, y)).lightnessF();
    return sum / (image.width() * image.height());
}

TEST(Assets, EveryPictureHasItsFormatSizeDepthAndByteCount) {
    for (const auto& expected : Assets) {
        SCOPED_TRACE(expected.file);
        const QByteArray data = contents(QStringLiteral(":/pictures/") + expected.file);
        ASSERT_EQ(data.size(), expected.bytes);
        std::optional<Header> header;
        switch (expected.format) {
        case Format::Bmp:
            header = readBmp(data);
            break;
        case Format::Jpeg:
            header = readJpeg(data);
            break;
        case Format::Gif:
            header = readGif(data);
            break;
        case Format::Ico:
            header = readIco(data);
            break;
        }
        ASSERT_TRUE(header);
        EXPECT_EQ(header->width, expected.width);
        EXPECT_EQ(header->height, expected.height);
        EXPECT_EQ(header->bitsPerPixel, expected.bitsPerPixel);

        // Qt's own readers, which the windows use, show it at the same size.
        const QImage image = decoded(expected.file);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(expected.width, expected.height));
    }
}

TEST(Assets, TheCompiledPicturesAreTheCommittedFiles) {
    for (const auto& expected : Assets) {
        SCOPED_TRACE(expected.file);
        EXPECT_EQ(contents(QStringLiteral(OSTRANE_ASSETS "/") + expected.file),
                  contents(QStringLiteral(":/pictures/") + expected.file));
    }
}

// The greatest difference of any channel of any pixel; the images the same size.
int greatestDifference(const QImage& one, const QImage& other) {
    int greatest = 0;
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x) {
            const QRgb a = one.pixel(x, y), b = other.pixel(x, y);
            for (const int shift : {0, 8, 16, 24})
                greatest = std::max(greatest,
                                    std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
        }
    return greatest;
}

// The windows show the twin in the original's place.
TEST(Assets, EachTwinShowsItsOriginal) {
    EXPECT_EQ(decoded("banner.bmp").convertToFormat(QImage::Format_RGB32),
              decoded("banner.jpg").convertToFormat(QImage::Format_RGB32));
    // Qt reads the icon's colours through its alpha mask and rounds some by one step.
    const QImage icon =
        decoded("corvissa.ico").convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage twin =
        decoded("corvissa.bmp").convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_EQ(twin.size(), icon.size());
    EXPECT_LE(greatestDifference(twin, icon), 1);
}

TEST(Assets, EachHeldDownButtonPictureIsADarkerVariant) {
    for (const char* symbol : {"stop", "play", "pause"}) {
        SCOPED_TRACE(symbol);
        const std::string name(symbol);
        const QImage normal = decoded((name + ".bmp").c_str());
        const QImage down = decoded((name + "-down.bmp").c_str());
        EXPECT_LT(meanLightness(down), meanLightness(normal) - 0.05);
    }
}

TEST(Assets, TheTwoTogglePicturesDiffer) {
    // The closed picture's triangle lies below its word, the open one's above it.
    const QImage closed = decoded("filelist-closed.bmp").convertToFormat(QImage::Format_RGB32);
    const QImage open = decoded("filelist-open.bmp").convertToFormat(QImage::Format_RGB32);
    auto greenRows = [](const QImage& image, int from, int to) {
        int count = 0;
        for (int y = from; y < to; ++y)
            for (int x = 0; x < image.width(); ++x)
                count += qGreen(image.pixel(x, y)) > 128 && qRed(image.pixel(x, y)) < 64;
        return count;
    };
    EXPECT_GT(greenRows(closed, 0, 13), 0);
    EXPECT_GT(greenRows(open, 13, 26), 0);
    EXPECT_NE(closed, open);
}

TEST(Assets, TheIconsLeaveTheirCornersTransparent) {
    for (const char* icon : {"corvissa.ico", "goblet.ico"}) {
        SCOPED_TRACE(icon);
        const QImage image = decoded(icon);
        ASSERT_TRUE(image.hasAlphaChannel());
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
    }
}

TEST(Assets, TheDesktopIconIsTheWindowIcon) {
    const QImage png(QStringLiteral(OSTRANE_ASSETS "/corvissa.png"));
    const QImage ico = decoded("corvissa.ico");
    ASSERT_EQ(png.size(), QSize(32, 32));
    EXPECT_EQ(png.convertToFormat(QImage::Format_ARGB32),
              decoded("corvissa.bmp").convertToFormat(QImage::Format_ARGB32));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            if (qAlpha(ico.pixel(x, y)) == 255) {
                ASSERT_EQ(qAlpha(png.pixel(x, y)), 255) << x << "," << y;
            }
        }
}

// The double-size set, for screens at twice the scale: each picture of the windows (not the
// icons) at exactly twice its width and height, compiled in beside it.
TEST(Assets, EveryWindowPictureHasADoubleSizeTwin) {
    for (const AssetDescription& asset : Assets) {
        if (asset.format == Format::Ico)
            continue;
        const QString file = QString::fromLatin1(asset.file);
        const QString twin = file.left(file.lastIndexOf(u'.')) + QStringLiteral("@2x.png");
        const QImage image(QStringLiteral(":/pictures/") + twin);
        ASSERT_FALSE(image.isNull()) << twin.toStdString();
        EXPECT_EQ(image.width(), 2 * asset.width) << twin.toStdString();
        EXPECT_EQ(image.height(), 2 * asset.height) << twin.toStdString();
        // Qt reads a name ending in @2x as a picture for twice the scale.
        EXPECT_EQ(image.devicePixelRatio(), 2.0) << twin.toStdString();
    }
}

} // namespace
