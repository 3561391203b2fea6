#include "app/form1.h"
#include "firstframe.h"
#include "platform/qt/qtfolderpicker.h"
#include "platform/qt/qtnotificationicon.h"
#include "platform/unix/socketconversations.h"

#include <QApplication>

// Ostrane's start, exactly as main does it, reporting its first frame.
class MeasuredForm1 : public ostrane::app::Form1 {
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
    ostrane::platform::SocketConversations conversations;
    ostrane::platform::QtFolderPicker folderPicker;
    ostrane::platform::QtNotificationIcon notificationIcon;
    MeasuredForm1 form1({conversations, folderPicker, notificationIcon});
    notificationIcon.setIcon(form1.windowIcon());
    form1.Form1_Load();
    form1.show();
    return application.exec();
}
