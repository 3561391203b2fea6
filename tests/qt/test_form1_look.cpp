#include "platform/unix/posixfolderreader.h"
#include "qt/commandbutton.h"
#include "qt/fonts.h"
#include "qt/form1.h"
#include "qt/picturebox.h"
#include "support/fakefolderpicker.h"
#include "support/fakenotificationicon.h"
#include "support/form1fixture.h"

#include <QFontInfo>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace ostrane::qt {
namespace {

struct PictureBoxDescription {
    const char* name;
    const char* picture; // the resource it shows
    QSize box;           // pixels, border included
    bool autoSize;
};

const PictureBoxDescription PictureBoxes[] = {
    {"Picture1", "banner.jpg", {231, 68}, false},
    {"Picture2", "filelist-closed.bmp", {58, 28}, true},
    {"Picture3", "filelist-closed.bmp", {19, 19}, false},
    {"Picture4", "filelist-open.bmp", {24, 23}, false},
    {"Picture5", "playlist.bmp", {352, 120}, true},
};

struct ButtonDescription {
    const char* name;
    const char* symbol; // nullptr: a caption and no pictures
    QColor face;
};

QImage resource(const QString& file) {
    return QImage(QStringLiteral(":/pictures/") + file).convertToFormat(QImage::Format_RGB32);
}

QImage shown(const QPixmap& picture) {
    return picture.toImage().convertToFormat(QImage::Format_RGB32);
}

using Form1Look = testing::Form1Fixture;

TEST_F(Form1Look, EachPictureBoxShowsItsPictureAndSizesItselfWhereItShould) {
    for (const auto& expected : PictureBoxes) {
        SCOPED_TRACE(expected.name);
        auto* box = form.findChild<PictureBox*>(expected.name);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(shown(box->picture()), resource(QString::fromLatin1(expected.picture)));
        EXPECT_EQ(box->size(), expected.box);
        EXPECT_EQ(box->autoSize(), expected.autoSize);
        EXPECT_EQ(box->frameWidth(), 1);
    }
    // The banner box shows the picture's top-left 229 x 66 pixels.
    EXPECT_EQ(form.Picture1->contentsRect().size(), QSize(229, 66));
}

TEST_F(Form1Look, ASelfSizingBoxFollowsANewPicture) {
    const QSize before = form.Picture2->size();
    form.Picture2->setPicture(QPixmap(QSize(10, 5)));
    EXPECT_EQ(form.Picture2->size(), QSize(12, 7));
    form.Picture2->setPicture(form.Picture4->picture());
    EXPECT_EQ(form.Picture2->size(), before);
    EXPECT_EQ(form.Picture2->pos(), QPoint(146, 157));
}

TEST_F(Form1Look, CommandButtonsAreGraphicalWithTheirFacesAndPictures) {
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    const ButtonDescription buttons[] = {
        {"Command1", nullptr, {192, 192, 0}},   {"Command2", "stop", buttonFace},
        {"Command3", "play", buttonFace},       {"Command4", "pause", buttonFace},
        {"Command5", nullptr, {128, 128, 255}},
    };
    for (const auto& expected : buttons) {
        SCOPED_TRACE(expected.name);
        auto* button = form.findChild<CommandButton*>(expected.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->backColor(), expected.face);
        if (expected.symbol) {
            const QString symbol = QString::fromLatin1(expected.symbol);
            EXPECT_EQ(shown(button->picture()), resource(symbol + ".bmp"));
            EXPECT_EQ(shown(button->downPicture()), resource(symbol + "-down.bmp"));
            EXPECT_TRUE(button->text().isEmpty());
        } else {
            EXPECT_TRUE(button->picture().isNull());
            EXPECT_FALSE(button->text().isEmpty());
        }
    }
}

TEST_F(Form1Look, LabelsAlignAndWrapAsDescribed) {
    struct Expected {
        const char* name;
        Qt::Alignment alignment;
        bool wordWrap;
    };
    const Expected labels[] = {
        {"Label1", Qt::AlignHCenter, false}, {"Label2", Qt::AlignHCenter, false},
        {"Label3", Qt::AlignHCenter, true},  {"Label4", Qt::AlignLeft, false},
        {"Label6", Qt::AlignLeft, false},
    };
    for (const auto& expected : labels) {
        SCOPED_TRACE(expected.name);
        auto* label = form.findChild<QLabel*>(expected.name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->alignment() & Qt::AlignHorizontal_Mask, expected.alignment);
        EXPECT_EQ(label->wordWrap(), expected.wordWrap);
    }
}

TEST_F(Form1Look, TheWindowCarriesTheCrystalBallIcon) {
    EXPECT_EQ(form.windowIcon().availableSizes(), QList<QSize>{QSize(32, 32)});
}

TEST(CommandButtonLook, PaintsItsFaceItsPictureAndTheHeldDownPictureWhilePressed) {
    QWidget window;
    window.resize(100, 100);
    CommandButton button(&window);
    button.setGeometry(10, 10, 25, 19);
    button.setBackColor(QColor(10, 20, 30));
    QPixmap normal(23, 18), down(23, 18);
    normal.fill(QColor(255, 0, 0));
    down.fill(QColor(0, 0, 255));
    button.setPicture(normal);
    button.setDownPicture(down);
    window.show();

    const QImage up = button.grab().toImage();
    EXPECT_EQ(up.pixelColor(12, 9), QColor(255, 0, 0));

    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(button.shownPicture().cacheKey(), down.cacheKey());
    EXPECT_EQ(button.grab().toImage().pixelColor(12, 9), QColor(0, 0, 255));
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_EQ(button.shownPicture().cacheKey(), normal.cacheKey());

    // Without pictures the face shows its colour.
    CommandButton plain(&window);
    plain.setGeometry(0, 40, 60, 25);
    plain.setBackColor(QColor(192, 192, 0));
    EXPECT_EQ(plain.grab().toImage().pixelColor(30, 12), QColor(192, 192, 0));
}

TEST(CommandButtonLook, ADisabledButtonEtchesItsCaptionInsteadOfDrawingItInText) {
    CommandButton button(QStringLiteral("Load SPC"));
    button.resize(96, 25);
    button.setBackColor(QColor(192, 192, 0));
    auto inks = [&] {
        std::set<QRgb> colours;
        const QImage image = button.grab().toImage();
        for (int y = 4; y < image.height() - 4; ++y)
            for (int x = 4; x < image.width() - 4; ++x)
                colours.insert(image.pixel(x, y));
        return colours;
    };
    const QRgb text = button.palette().color(QPalette::ButtonText).rgb();
    EXPECT_TRUE(inks().count(text));
    button.setEnabled(false);
    const auto disabled = inks();
    EXPECT_FALSE(disabled.count(text));
    EXPECT_TRUE(disabled.count(QColor(192, 192, 0).lighter(160).rgb()));
}

// Named as installed, a face is matched at once; named as missing, it resolves the same.
TEST(Fonts, EveryNamedFaceResolvesToItsNearestInstalledFace) {
    struct Expected {
        const char* face;
        QFont::Weight weight;
        const char* resolved;
    };
    const Expected faces[] = {
        {"MS Sans Serif", QFont::Bold, "Liberation Sans"},
        {"Arial", QFont::Normal, "Liberation Sans"},
        {"Arial", QFont::Bold, "Liberation Sans"},
        {"Tahoma", QFont::Normal, "Tahoma"},
        {"Century Gothic", QFont::Normal, "URW Gothic"},
        {"News Gothic MT", QFont::Normal, "Liberation Sans Narrow"},
        {"Tempus Sans ITC", QFont::Normal, "Comic Neue"},
    };
    addTahoma(); // as the second window does
    for (const auto& expected : faces) {
        SCOPED_TRACE(expected.face);
        EXPECT_EQ(installedFace(QString::fromLatin1(expected.face)), expected.resolved);
        QFont font(QString::fromLatin1(expected.face));
        font.setPointSizeF(12);
        font.setWeight(expected.weight);
        const QFontInfo info(font);
        // Fontconfig may add the foundry: "URW Gothic [UKWN]".
        EXPECT_TRUE(info.family().startsWith(QString::fromLatin1(expected.resolved)))
            << info.family().toStdString();
        EXPECT_EQ(info.bold(), expected.weight == QFont::Bold);
        EXPECT_EQ(info.pointSizeF(), 12);
    }
}

} // namespace
} // namespace ostrane::qt
