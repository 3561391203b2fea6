#include "core/windowdescription.h"
#include "qt/fonts.h"
#include "qt/form5.h"
#include "qt/picturebox.h"

#include <QFontInfo>
#include <QLabel>
#include <gtest/gtest.h>

namespace ostrane::qt {
namespace {

struct PictureDescription {
    const char* name;
    int left, top, width, height; // twips
    QSize picture;
};

const PictureDescription Pictures[] = {
    {"Picture3", 4380, 5460, 1170, 810, {76, 52}},
    {"Picture2", 30, 960, 5685, 270, {583, 16}},
};

QRect pixels(int left, int top, int width, int height) {
    return {left / 15, top / 15, width / 15, height / 15};
}

class Form5Look : public ::testing::Test {
protected:
    Form5 form;
};

TEST_F(Form5Look, WindowIsBlackWithItsCaptionIconAndClientArea) {
    EXPECT_EQ(form.objectName(), "Form5");
    EXPECT_EQ(form.windowTitle(), "About the Coder. . .");
    EXPECT_EQ(form.size(), QSize(386, 428));
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(0, 0, 0));
    EXPECT_TRUE(form.autoFillBackground());
    EXPECT_TRUE(form.isWindow());
    EXPECT_EQ(form.windowIcon().availableSizes(), QList<QSize>{QSize(20, 32)});
}

TEST_F(Form5Look, FifteenControlsStackedFrontToBack) {
    QStringList frontToBack;
    for (QObject* child : form.children())
        if (child->isWidgetType())
            frontToBack.prepend(child->objectName());
    EXPECT_EQ(frontToBack, (QStringList{"Picture3", "Picture2", "Label13", "Label12", "Label11",
                                        "Label10", "Label9", "Label8", "Label7", "Label6", "Label5",
                                        "Label4", "Label3", "Label2", "Label1"}));
    EXPECT_EQ(form.Label1, form.findChild<QLabel*>("Label1"));
    EXPECT_EQ(form.Picture3, form.findChild<qt::PictureBox*>("Picture3"));
}

TEST_F(Form5Look, EveryLabelHasItsPlaceFontColourAndAlignment) {
    int labels = 0;
    for (const auto& expected : core::form5Description().controls) {
        if (expected.kind != core::ControlKind::Label)
            continue;
        ++labels;
        SCOPED_TRACE(std::string(expected.name));
        auto* label = form.findChild<QLabel*>(QString::fromUtf8(expected.name));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->geometry(),
                  pixels(expected.left, expected.top, expected.width, expected.height));
        EXPECT_FALSE(label->isHidden());
        EXPECT_EQ(label->text(), QString::fromUtf8(expected.caption));
        EXPECT_FALSE(label->text().trimmed().isEmpty());
        EXPECT_EQ(label->font().family(), installedFace(QString::fromUtf8(expected.font.face)));
        EXPECT_EQ(label->font().pointSizeF(), expected.font.points);
        EXPECT_EQ(label->font().weight(), QFont::Normal);
        EXPECT_FALSE(label->font().italic() || label->font().underline() ||
                     label->font().strikeOut());
        const core::Colour fore = expected.foreColour;
        EXPECT_EQ(label->palette().color(QPalette::WindowText),
                  QColor(fore.red, fore.green, fore.blue));
        EXPECT_EQ(label->palette().color(QPalette::Window), QColor(0, 0, 0));
        EXPECT_EQ(
            label->alignment(),
            (expected.alignment == core::Alignment::Centre ? Qt::AlignHCenter : Qt::AlignLeft) |
                Qt::AlignTop);
        EXPECT_TRUE(label->wordWrap());
        // Only the heading lets the window show through.
        EXPECT_EQ(label->autoFillBackground(), expected.name != "Label1");
    }
    EXPECT_EQ(labels, 13);
}

TEST_F(Form5Look, TheHeadingSpellsOutTheCaptionsFirstThreeWords) {
    const QStringList words = form.windowTitle().toUpper().split(' ').mid(0, 3);
    QStringList spaced;
    for (QString word : words) {
        word.remove(QChar('.'));
        spaced.append(word.split("", Qt::SkipEmptyParts).join(' '));
    }
    EXPECT_EQ(form.Label1->text(), spaced.join("   "));
    EXPECT_EQ(form.Label1->text(), "A B O U T   T H E   C O D E R");
}

TEST_F(Form5Look, EachPictureBoxShowsItsPicture) {
    for (const auto& expected : Pictures) {
        SCOPED_TRACE(expected.name);
        auto* box = form.findChild<qt::PictureBox*>(expected.name);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->geometry(),
                  pixels(expected.left, expected.top, expected.width, expected.height));
        EXPECT_EQ(box->picture().size(), expected.picture);
        EXPECT_FALSE(box->autoSize());
    }
    // The close picture fits its box exactly; the divider shows its left 377 pixels.
    EXPECT_EQ(form.Picture3->contentsRect().size(), QSize(76, 52));
    EXPECT_EQ(form.Picture2->contentsRect().size(), QSize(377, 16));
}

TEST_F(Form5Look, TheWindowDrawsTheDividerAndTheCloseColours) {
    const QImage shot = form.grab().toImage();
    // Inside the close picture: the red skull above the blue word.
    int red = 0, blue = 0;
    const QRect close = form.Picture3->geometry();
    for (int y = close.top(); y <= close.bottom(); ++y)
        for (int x = close.left(); x <= close.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 80 && c.blue() < 80 && y < close.top() + 32;
            blue += c.blue() > 150 && c.red() < 120 && y >= close.top() + 32;
        }
    EXPECT_GT(red, 100);
    EXPECT_GT(blue, 40);
    // The heading's letters in teal over the black window.
    int teal = 0;
    const QRect heading = form.Label1->geometry().intersected(form.rect());
    for (int y = heading.top(); y <= heading.bottom(); ++y)
        for (int x = heading.left(); x <= heading.right(); ++x)
            teal += shot.pixelColor(x, y) == QColor(0, 192, 192);
    EXPECT_GT(teal, 50);
}

TEST_F(Form5Look, EveryFaceResolvesToAnInstalledFace) {
    for (const auto& expected : core::form5Description().controls) {
        if (expected.kind != core::ControlKind::Label)
            continue;
        SCOPED_TRACE(std::string(expected.name));
        const QFontInfo resolved(form.findChild<QLabel*>(QString::fromUtf8(expected.name))->font());
        EXPECT_FALSE(resolved.family().isEmpty());
        EXPECT_FALSE(resolved.italic());
        EXPECT_NEAR(resolved.pointSizeF(), expected.font.points, 0.5);
    }
}

} // namespace
} // namespace ostrane::qt
