#pragma once

#include <QFrame>
#include <QPixmap>

namespace ostrane::qt {

// Shows its picture at the picture's own pixel size from the top-left corner, clipped,
// inside a one-pixel flat border. With auto size on, it takes the size of its picture plus
// the border whenever the picture changes. Its colours are its palette's: the background in
// Window, the border in WindowText. A left click on it, or Space or Return while it has the
// focus, is reported as `clicked`; the release that ends a double click is no second click.
class PictureBox : public QFrame {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Reads a picture set by file first, when that has not happened yet.
    const QPixmap& picture() const;
    void setPicture(const QPixmap& picture);
    // Shows the picture in `file`, read only when first painted or asked for: a picture that
    // is never shown costs no decoding. Its size is known at once.
    void setPictureFile(const QString& file);
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool on);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void fitPicture();

    mutable QPixmap picture_;
    // The file of a picture not read yet; empty once read.
    mutable QString pendingFile_;
    bool autoSize_ = false;
    bool doubleClicked_ = false;
};

} // namespace ostrane::qt
