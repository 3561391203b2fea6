#include "platform/qt/statusnotifieritem.h"

#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

namespace ostrane::platform {
namespace {

QByteArray bytes(std::initializer_list<unsigned char> values) {
    QByteArray result;
    for (unsigned char value : values)
        result.append(static_cast<char>(value));
    return result;
}

// Hosts read each pixel as alpha, red, green, blue, in that order, whatever the machine's
// byte order, and without the premultiplied alpha Qt keeps its pixmaps in.
TEST(StatusNotifierPixmaps, CarryEachPixelAsStraightArgbInNetworkOrder) {
    QImage image(3, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, 0xff112233);
    image.setPixel(1, 0, 0x80ff0000);
    image.setPixel(2, 0, 0x00000000);
    const StatusNotifierPixmaps pixmaps = statusNotifierPixmaps(QIcon(QPixmap::fromImage(image)));
    ASSERT_EQ(pixmaps.size(), 1);
    EXPECT_EQ(pixmaps[0].width, 3);
    EXPECT_EQ(pixmaps[0].height, 1);
    EXPECT_EQ(pixmaps[0].pixels,
              bytes({0xff, 0x11, 0x22, 0x33, 0x80, 0xff, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST(StatusNotifierPixmaps, OfferEverySizeTheIconHasRowByRow) {
    QIcon icon;
    for (int side : {16, 32}) {
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(0xff000000);
        // The last pixel alone is white: rows that ran together or came out short would
        // move it.
        image.setPixel(side - 1, side - 1, 0xffffffff);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    const StatusNotifierPixmaps pixmaps = statusNotifierPixmaps(icon);
    ASSERT_EQ(pixmaps.size(), 2);
    for (const StatusNotifierPixmap& pixmap : pixmaps) {
        SCOPED_TRACE(pixmap.width);
        EXPECT_EQ(pixmap.height, pixmap.width);
        ASSERT_EQ(pixmap.pixels.size(), pixmap.width * pixmap.height * 4);
        EXPECT_EQ(pixmap.pixels.right(8), bytes({0xff, 0, 0, 0, 0xff, 0xff, 0xff, 0xff}));
    }
    EXPECT_EQ(pixmaps[0].width + pixmaps[1].width, 48);
}

} // namespace
} // namespace ostrane::platform
