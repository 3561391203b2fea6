#include "firstframe.h"

#include <QApplication>
#include <QWidget>

// The baseline: a bare Qt window of the same size.
class BareWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent* event) override {
        QWidget::paintEvent(event);
        reportFirstFrame();
    }
};

int main(int, char** argv) {
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);
    BareWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.setFixedSize(350, 193);
    window.show();
    return application.exec();
}
