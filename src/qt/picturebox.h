#pragma once

#include <QFrame>
#include <QPixmap>

namespace ostrane::app {

// Shows its picture at the picture's own pixel size from the top-left corner, clipped,
// inside a one-pixel flat border. With auto size on, it takes the size of its picture plus
// the border whenever the picture changes.
class PictureBox : public QFrame {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    const QPixmap& picture() const { return picture_; }
    void setPicture(const QPixmap& picture);
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void fitPicture();

    QPixmap picture_;
    bool autoSize_ = false;
};

} // namespace ostrane::app
