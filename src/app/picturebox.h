#pragma once

#include <QFrame>
#include <QPixmap>

namespace ostrane::app {

// Shows its picture at the picture's own pixel size from the top-left corner, clipped,
// inside a one-pixel flat border.
class PictureBox : public QFrame {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    const QPixmap& picture() const { return picture_; }
    void setPicture(const QPixmap& picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
};

} // namespace ostrane::app
