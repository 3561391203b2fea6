#include "qt/fixedlook.h"

#include "qt/windowdesign.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>
#include <QToolTip>

namespace ostrane::qt {

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

} // namespace ostrane::qt
