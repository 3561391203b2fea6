#include "qt/form5.h"

#include "core/placement.h"
#include "core/windowdescription.h"
#include "qt/picturebox.h"
#include "qt/windowdesign.h"
#include "qt/windowloader.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace ostrane::qt {

Form5::Form5(QWidget* parent) : QWidget(parent, Qt::Window), scale_(primaryScreenScale()) {
    assignControls(loadWindow(*this, core::form5Description(), scale_));
    setAttribute(Qt::WA_DeleteOnClose);
    connect(Picture3, &PictureBox::clicked, this, &Form5::Picture3_Click);
}

void Form5::Form5_Load() {
    centre();
    frameArrival_.arm();
}

void Form5::centre() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int left = core::centredInWholeTwips(scale_.twipsX(screen.width()),
                                               scale_.twipsX(frameGeometry().width()));
    move(screen.x() + scale_.pixelsX(static_cast<float>(left)), y());
    const QRect screenNow = QGuiApplication::primaryScreen()->geometry();
    const int top = core::centredInWholeTwips(scale_.twipsY(screenNow.height()),
                                              scale_.twipsY(frameGeometry().height()));
    move(x(), screenNow.y() + scale_.pixelsY(static_cast<float>(top)));
}

bool Form5::event(QEvent* event) {
    if (frameArrival_.framedNow(*this))
        centre();
    return QWidget::event(event);
}

void Form5::Picture3_Click() {
    close();
}

void Form5::assignControls(const LoadedControls& controls) {
    controls.assign(Picture3, "Picture3");
    controls.assign(Picture2, "Picture2");
    controls.assign(Label13, "Label13");
    controls.assign(Label12, "Label12");
    controls.assign(Label11, "Label11");
    controls.assign(Label10, "Label10");
    controls.assign(Label9, "Label9");
    controls.assign(Label8, "Label8");
    controls.assign(Label7, "Label7");
    controls.assign(Label6, "Label6");
    controls.assign(Label5, "Label5");
    controls.assign(Label4, "Label4");
    controls.assign(Label3, "Label3");
    controls.assign(Label2, "Label2");
    controls.assign(Label1, "Label1");
}

} // namespace ostrane::qt
