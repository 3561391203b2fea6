#pragma once

#include "core/twips.h"
#include "qt/windowdesign.h"

#include <QWidget>

class QLabel;

namespace ostrane::qt {

class LoadedControls;
class PictureBox;

// The about window: who made the program and how to reach its author, in coloured text on
// black, with an ornamental divider and a close picture. Controls carry their given names.
class Form5 : public QWidget {
    Q_OBJECT
public:
    // Closing the window unloads it: it is deleted, and the next one is created anew.
    explicit Form5(QWidget* parent = nullptr);

    // Centres the window on the primary screen in whole twips, the left edge first, the top
    // second; runs once, before the window is first shown.
    void Form5_Load();

    const core::TwipScale& scale() const { return scale_; }

    // Front to back, as they are stacked.
    PictureBox* Picture3;
    PictureBox* Picture2;
    QLabel* Label13;
    QLabel* Label12;
    QLabel* Label11;
    QLabel* Label10;
    QLabel* Label9;
    QLabel* Label8;
    QLabel* Label7;
    QLabel* Label6;
    QLabel* Label5;
    QLabel* Label4;
    QLabel* Label3;
    QLabel* Label2;
    QLabel* Label1;

protected:
    bool event(QEvent* event) override;

private:
    void centre();
    void Picture3_Click();
    void assignControls(const LoadedControls& controls);

    core::TwipScale scale_;
    FrameArrival frameArrival_;
};

} // namespace ostrane::qt
