#include "qt/sunkenedge.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>

namespace ostrane::qt {

namespace {

// Lies over the whole text box, as its sibling, and paints only its edge; clicks go through
// to the box, and assistive technology, which leaves out what takes no clicks, sees the box
// alone.
class SunkenEdge : public QWidget {
public:
    explicit SunkenEdge(QLineEdit* box) : QWidget(box->parentWidget()), box_(box) {
        setObjectName(box->objectName() + QStringLiteral("Edge"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        follow();
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == box_) {
            switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
            case QEvent::Hide:
                follow();
                break;
            default:
                break;
            }
        }
        return false;
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect outer = rect();
        auto edge = [&](QRect r, QColor topLeft, QColor bottomRight) {
            painter.fillRect(r.left(), r.top(), r.width() - 1, 1, topLeft);
            painter.fillRect(r.left(), r.top(), 1, r.height() - 1, topLeft);
            painter.fillRect(r.left(), r.bottom(), r.width(), 1, bottomRight);
            painter.fillRect(r.right(), r.top(), 1, r.height(), bottomRight);
        };
        edge(outer, QColor(128, 128, 128), QColor(255, 255, 255));
        edge(outer.adjusted(1, 1, -1, -1), QColor(0, 0, 0), QColor(192, 192, 192));
    }

private:
    void follow() {
        setGeometry(box_->geometry());
        setVisible(!box_->isHidden());
        raise();
    }

    QLineEdit* box_;
};

} // namespace

void drawSunkenEdge(QLineEdit* box) {
    box->setFrame(false);
    box->setTextMargins(2, 0, 2, 0);
    new SunkenEdge(box);
}

} // namespace ostrane::qt
