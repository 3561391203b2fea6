#include "ostrane_version.h"
#include "qt/fonts.h"
#include "qt/form1.h"
#include "qt/nativeplatform.h"

#include <QApplication>

int main(int, char** argv) {
    // The command line is not the program's to read: Qt sees the program name alone.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);
    QApplication::setApplicationVersion(QStringLiteral(OSTRANE_VERSION_TEXT));
    ostrane::app::installFontSubstitutes();

    ostrane::app::NativePlatform platform;
    ostrane::app::Form1 form1({platform.conversations, platform.folderPicker,
                               platform.notificationIcon, platform.folderReader});
    platform.showProgramIcon(form1.windowIcon());
    form1.Form1_Load();
    form1.show();
    return application.exec();
}
