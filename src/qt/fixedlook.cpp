#include "qt/fixedlook.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>
#include <QToolTip>

namespace ostrane::app {

namespace {

struct RoleColours {
    QPalette::ColorRole role;
    QRgb active, inactive, disabled;
};

// Qt's own light Fusion palette, written out so that no theme can alter it.
const RoleColours Colours[] = {
    {QPalette::WindowText, 0xff000000, 0xff000000, 0xffbebebe},
    {QPalette::Button, 0xffefefef, 0xffefefef, 0xffefefef},
    {QPalette::Light, 0xffffffff, 0xffffffff, 0xffffffff},
    {QPalette::Midlight, 0xffcacaca, 0xffcacaca, 0xffcacaca},
    {QPalette::Dark, 0xff9f9f9f, 0xff9f9f9f, 0xffbebebe},
    {QPalette::Mid, 0xffb8b8b8, 0xffb8b8b8, 0xffb8b8b8},
    {QPalette::Text, 0xff000000, 0xff000000, 0xffbebebe},
    {QPalette::BrightText, 0xffffffff, 0xffffffff, 0xffffffff},
    {QPalette::ButtonText, 0xff000000, 0xff000000, 0xffbebebe},
    {QPalette::Base, 0xffffffff, 0xffffffff, 0xffefefef},
    {QPalette::Window, 0xffefefef, 0xffefefef, 0xffefefef},
    {QPalette::Shadow, 0xff767676, 0xff767676, 0xffb1b1b1},
    {QPalette::Highlight, 0xff308cc6, 0xff308cc6, 0xff919191},
    {QPalette::HighlightedText, 0xffffffff, 0xffffffff, 0xffffffff},
    {QPalette::Link, 0xff0000ff, 0xff0000ff, 0xff0000ff},
    {QPalette::LinkVisited, 0xffff00ff, 0xffff00ff, 0xffff00ff},
    {QPalette::AlternateBase, 0xfff7f7f7, 0xfff7f7f7, 0xfff7f7f7},
    {QPalette::ToolTipBase, 0xffffffdc, 0xffffffdc, 0xffffffdc},
    {QPalette::ToolTipText, 0xff000000, 0xff000000, 0xff000000},
    {QPalette::PlaceholderText, 0x80000000, 0x80000000, 0x80000000},
};

} // namespace

QPalette fixedPalette() {
    QPalette palette;
    for (const RoleColours& colours : Colours) {
        palette.setColor(QPalette::Active, colours.role, QColor::fromRgba(colours.active));
        palette.setColor(QPalette::Inactive, colours.role, QColor::fromRgba(colours.inactive));
        palette.setColor(QPalette::Disabled, colours.role, QColor::fromRgba(colours.disabled));
    }
    return palette;
}

void useFixedLook() {
    // Set after the application object exists, these win over QT_STYLE_OVERRIDE, -style and
    // the platform theme's palette and fonts.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(fixedPalette());
    QToolTip::setPalette(fixedPalette());
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSizeF(9);
    QApplication::setFont(font);
}

} // namespace ostrane::app
