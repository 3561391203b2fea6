#pragma once

#include "app/twips.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace ostrane::platform {
class Conversations;
}

namespace ostrane::app {

class LinkTextBox;
class PictureBox;

// The platform services the window reaches the outside world through; main passes the real
// ones, tests pass fakes.
struct Form1Platform {
    platform::Conversations& conversations;
};

// The main window: the banner, the transport buttons, the path field, the panel toggle and
// the file-list panel below the closed window's edge. Controls carry their given names.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(const Form1Platform& platform, QWidget* parent = nullptr);

    // Centres the window on the primary screen; runs once, before the window is shown.
    void Form1_Load();

    const TwipScale& scale() const { return scale_; }
    // The window's outer size, frame included, in twips.
    float Width() const;
    float Height() const;

    // Front to back, as they are stacked.
    QListWidget* File1;
    PictureBox* Picture4;
    PictureBox* Picture3;
    PictureBox* Picture2;
    LinkTextBox* Text6;
    PictureBox* Picture1;
    QPushButton* Command5;
    LinkTextBox* Text5;
    QPushButton* Command4;
    LinkTextBox* Text4;
    QPushButton* Command3;
    LinkTextBox* Text3;
    QPushButton* Command2;
    LinkTextBox* Text2;
    QPushButton* Command1;
    QLineEdit* Text1;
    PictureBox* Picture5;
    QLabel* Label6;
    QLabel* Label5;
    QLabel* Label4;
    QLabel* Label3;
    QLabel* Label2;
    QLabel* Label1;

protected:
    bool event(QEvent* event) override;

private:
    void createControls(platform::Conversations& conversations);
    void setTabOrder();
    void place(QWidget* control, int left, int top, int width, int height);
    void centre();

    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void sendThrough(LinkTextBox& control);

    TwipScale scale_;
    bool loaded_ = false;
    bool framed_ = false;
};

} // namespace ostrane::app
