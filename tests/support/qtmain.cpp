#include "qt/accessibility.h"
#include "qt/fonts.h"

#include <QApplication>
#include <gtest/gtest.h>

// Widget tests share one application object, as the program does.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    ostrane::qt::installFontSubstitutes();
    ostrane::qt::installAccessibility();
    return RUN_ALL_TESTS();
}
