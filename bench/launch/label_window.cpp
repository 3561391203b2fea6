#include "firstframe.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

// The second baseline: a Qt window of the same size that shows one label.
class LabelWindow : public QWidget {
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
    LabelWindow window;
    window.setWindowTitle(QStringLiteral("Label"));
    window.setFixedSize(350, 193);
    auto* label = new QLabel(QStringLiteral("Corvissa"), &window);
    label->setGeometry(10, 10, 200, 20);
    window.show();
    return application.exec();
}
