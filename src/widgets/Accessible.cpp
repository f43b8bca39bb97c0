#include "widgets/Accessible.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

#include "widgets/Gaugebar.h"
#include "widgets/Markuplabel.h"

namespace {

// A bar reads as the figure it stands for: while it glides, the value it
// is heading to, which is the reading, rather than one on the way; and
// "not available" where the reading cannot be had.
class TAccessibleGaugeBar : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TAccessibleGaugeBar(TGaugeBar* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Value:
                return Figure();
            case QAccessible::Description: {
                // The value interface carries numbers only: the text, with
                // its unit, reaches the reader as the description.
                const QString own = QAccessibleWidget::text(t);
                return own.isEmpty() ? Figure() : own;
            }
            default:
                return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QVariant currentValue() const override { return Bar().TargetValue(); }
    void setCurrentValue(const QVariant& /*value*/) override {}  // a reading is not set by hand
    QVariant maximumValue() const override { return Bar().Maximum(); }
    QVariant minimumValue() const override { return Bar().Minimum(); }
    QVariant minimumStepSize() const override { return 0.0; }

private:
    const TGaugeBar& Bar() const { return *static_cast<const TGaugeBar*>(widget()); }
    QString Figure() const {
        return Bar().Available() ? Bar().TargetText() : QStringLiteral("not available");
    }
};

class TAccessibleMarkupLabel : public QAccessibleWidget {
public:
    explicit TAccessibleMarkupLabel(TMarkupLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        QString own = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && own.isEmpty())
            own = static_cast<const TMarkupLabel*>(widget())->PlainText();
        return own;
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("TGaugeBar")) {
        if (auto* bar = qobject_cast<TGaugeBar*>(object)) return new TAccessibleGaugeBar(bar);
    } else if (className == QLatin1String("TMarkupLabel")) {
        if (auto* label = qobject_cast<TMarkupLabel*>(object))
            return new TAccessibleMarkupLabel(label);
    }
    return nullptr;
}

}  // namespace

void InstallWidgetAccessibility() {
    [[maybe_unused]] static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
}

void NotifyGaugeValue(TGaugeBar& bar) {
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent event(&bar, bar.TargetValue());
    QAccessible::updateAccessibility(&event);
}

void NotifyMarkupText(TMarkupLabel& label) {
    // A name given by the user stays what the reader hears.
    if (!QAccessible::isActive() || !label.accessibleName().isEmpty()) return;
    QAccessibleEvent event(&label, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}
