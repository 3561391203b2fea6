#pragma once

#include <QLabel>

namespace ostrane::qt {

// A caption that reports the pointer over it: `mouseMoved` for each movement (with tracking on,
// also without a button held) and `mousePressed` for any button pressed on it.
class Label : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void mouseMoved();
    void mousePressed();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace ostrane::qt
