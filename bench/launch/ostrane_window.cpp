#include "firstframe.h"
#include "qt/fonts.h"
#include "qt/form1.h"
#include "qt/nativeplatform.h"

#include <QApplication>

// Ostrane's start, exactly as main does it, reporting its first frame.
class MeasuredForm1 : public ostrane::qt::Form1 {
public:
    using Form1::Form1;

protected:
    void paintEvent(QPaintEvent* event) override {
        Form1::paintEvent(event);
        reportFirstFrame();
    }
};

int main(int, char** argv) {
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);
    ostrane::qt::installFontSubstitutes();

    ostrane::qt::NativePlatform platform;
    MeasuredForm1 form1(platform.form1());
    platform.showProgramIcon(form1.windowIcon());
    form1.Form1_Load();
    form1.show();
    return application.exec();
}
