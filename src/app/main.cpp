#include "app/form1.h"
#include "platform/unix/socketconversations.h"

#include <QApplication>

int main(int, char** argv) {
    // The command line is not the program's to read: Qt sees the program name alone.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);

    ostrane::platform::SocketConversations conversations;
    ostrane::app::Form1 form1({conversations});
    form1.Form1_Load();
    form1.show();
    return application.exec();
}
