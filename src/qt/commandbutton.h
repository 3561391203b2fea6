#pragma once

#include <QPixmap>
#include <QPushButton>

namespace ostrane::qt {

// A command button in graphical style: the face painted in its button colour (the palette's
// Button role), a picture centred on it, a second picture while it is held down, and its
// caption in the middle. Disabled, the caption is etched in grey and the picture dimmed.
// Return and Enter press the focused button as Space does.
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    explicit CommandButton(const QString& caption, QWidget* parent = nullptr);
    explicit CommandButton(QWidget* parent = nullptr) : CommandButton(QString(), parent) {}

    const QPixmap& picture() const { return picture_; }
    void setPicture(const QPixmap& picture);
    const QPixmap& downPicture() const { return downPicture_; }
    void setDownPicture(const QPixmap& picture);
    // The face colour, which is the palette's Button role.
    QColor backColor() const;
    void setBackColor(const QColor& colour);

    // The picture shown now: the held-down one while pressed, where there is one.
    const QPixmap& shownPicture() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    QPixmap picture_;
    QPixmap downPicture_;
};

} // namespace ostrane::qt
