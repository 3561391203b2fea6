#include "qt/sunkenedge.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>

namespace ostrane::app {

namespace {

// Lies over the whole text box and paints only its edge; clicks go through to the box.
class SunkenEdge : public QWidget {
public:
    explicit SunkenEdge(QLineEdit* box) : QWidget(box) {
        setObjectName(QStringLiteral("SunkenEdge"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        resize(box->size());
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parent() && event->type() == QEvent::Resize)
            resize(parentWidget()->size());
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
};

} // namespace

void drawSunkenEdge(QLineEdit* box) {
    box->setFrame(false);
    box->setTextMargins(2, 0, 2, 0);
    auto* edge = new SunkenEdge(box);
    edge->show();
}

} // namespace ostrane::app
