#include "qt/accessibility.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

namespace ostrane::qt {

namespace {

constexpr const char* ButtonProperty = "ostraneButton";
constexpr const char* WindowProperty = "ostraneWindow";

// A top-level window whose explicitly hidden controls, the controls out of sight below or
// beside its client area, and the decorations that take no clicks are not among its
// children.
class WindowAccessible : public QAccessibleWidget {
public:
    explicit WindowAccessible(QWidget* window) : QAccessibleWidget(window, QAccessible::Window) {}

    int childCount() const override { return static_cast<int>(shownChildren().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> children = shownChildren();
        if (index < 0 || index >= children.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(children.at(index));
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child)
            return -1;
        return static_cast<int>(shownChildren().indexOf(qobject_cast<QWidget*>(child->object())));
    }

private:
    QList<QWidget*> shownChildren() const {
        QList<QWidget*> shown;
        for (QObject* object : widget()->children()) {
            auto* control = qobject_cast<QWidget*>(object);
            if (control && !control->isWindow() && !control->isHidden() &&
                !control->testAttribute(Qt::WA_TransparentForMouseEvents) &&
                widget()->rect().intersects(control->geometry()))
                shown.append(control);
        }
        return shown;
    }
};

// A caption or picture that acts on a click, presented as a button.
class ClickableAccessible : public QAccessibleWidget {
public:
    explicit ClickableAccessible(QWidget* control)
        : QAccessibleWidget(control, QAccessible::Button) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name)
            return widget()->accessibleName();
        return QAccessibleWidget::text(kind);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action != pressAction())
            return;
        // The control's owner reacts to the press (a title caption) or to the release over
        // it (a picture): both are sent, at the control's middle.
        QWidget* control = widget();
        const QPointF middle = QRectF(control->rect()).center();
        const QPointF global = control->mapToGlobal(middle);
        QMouseEvent press(QEvent::MouseButtonPress, middle, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(control, &press);
        if (QPointer<QWidget> alive = control) {
            QMouseEvent release(QEvent::MouseButtonRelease, middle, global, Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(alive, &release);
        }
    }
};

QAccessibleInterface* accessibleFor(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    if (widget->property(ButtonProperty).toBool())
        return new ClickableAccessible(widget);
    if (widget->isWindow() && widget->property(WindowProperty).toBool())
        return new WindowAccessible(widget);
    return nullptr;
}

} // namespace

void installAccessibility() {
    QAccessible::installFactory(accessibleFor);
}

void presentAsWindow(QWidget* window) {
    window->setProperty(WindowProperty, true);
}

void describeForAssistiveTechnology(QWidget* control, const QString& name, bool actsAsButton) {
    if (actsAsButton) {
        control->setProperty(ButtonProperty, true);
        // An interface made before the mark (a screen reader already listening) is made anew.
        if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(control);
            made && made->role() != QAccessible::Button)
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    }
    control->setAccessibleName(name);
}

} // namespace ostrane::qt
