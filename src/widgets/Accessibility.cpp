#include "widgets/Accessibility.h"

#include "link/ParameterModel.h"
#include "widgets/RotaryDial.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>

namespace corvid {

namespace {

// A dial's value is its position along the travel, 0 to 269.
class AccessibleDial : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleDial(RotaryDial* dial) : QAccessibleWidget(dial, QAccessible::Dial) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            return QString("%1 of %2").arg(currentValue().toInt()).arg(RotaryDial::kTravel);
        }
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override {
        const auto* dial = static_cast<const RotaryDial*>(widget());
        return std::clamp(DialAngleToPosition(SnapDialAngle(dial->angle())), 0,
                          RotaryDial::kTravel);
    }
    void setCurrentValue(const QVariant& value) override {
        auto* dial = static_cast<RotaryDial*>(widget());
        dial->setAngle(PositionToDialAngle(std::clamp(value.toInt(), 0, RotaryDial::kTravel)));
    }
    QVariant maximumValue() const override { return RotaryDial::kTravel; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }
};

// A switch shows a value the editor reads from the pedal; it is not operated.
class AccessibleSwitch : public QAccessibleWidget {
public:
    explicit AccessibleSwitch(OnOffSwitch* s) : QAccessibleWidget(s, QAccessible::CheckBox) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            return static_cast<const OnOffSwitch*>(widget())->isOn() ? "on" : "off";
        }
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = static_cast<const OnOffSwitch*>(widget())->isOn();
        s.readOnly = true;
        return s;
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == "corvid::RotaryDial") {
        return new AccessibleDial(static_cast<RotaryDial*>(object));
    }
    if (className == "corvid::OnOffSwitch") {
        return new AccessibleSwitch(static_cast<OnOffSwitch*>(object));
    }
    return nullptr;
}

class EscapeCloses : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
            static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
            static_cast<QWidget*>(parent())->close();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

class EnterPressesDefault : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                for (QPushButton* button :
                     static_cast<QWidget*>(parent())->findChildren<QPushButton*>()) {
                    if (button->isDefault() && button->isVisible() && button->isEnabled()) {
                        button->click();
                        return true;
                    }
                }
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void InstallAccessibility() {
    QAccessible::installFactory(Factory);
}

void CloseOnEscape(QWidget& window) {
    window.installEventFilter(new EscapeCloses(&window));
}

void OperableByKeyboard(QWidget& window) {
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        button->setAutoDefault(true);
    }
    // Key events the focused control leaves reach the window last.
    window.installEventFilter(new EnterPressesDefault(&window));
}

} // namespace corvid
