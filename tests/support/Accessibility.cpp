#include "tests/support/Accessibility.h"

#include <QtGui/private/qguiapplication_p.h>
#include <gtest/gtest.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

namespace {

TListeningReader* listening = nullptr;

void Record(QAccessibleEvent* event) {
    if (listening == nullptr) return;
    QVariant value;
    if (event->type() == QAccessible::ValueChanged)
        value = static_cast<QAccessibleValueChangeEvent*>(event)->value();
    listening->events.push_back({event->type(), event->object(), value});
}

// No public call switches it on: a platform's bridge does, when a reader
// asks for it.
QPlatformAccessibility* Platform() {
    QPlatformIntegration* integration = QGuiApplicationPrivate::platformIntegration();
    return integration != nullptr ? integration->accessibility() : nullptr;
}

}  // namespace

TListeningReader::TListeningReader() {
    listening = this;
    previous_ = QAccessible::installUpdateHandler(Record);
    QPlatformAccessibility* platform = Platform();
    EXPECT_NE(platform, nullptr) << "the platform has no accessibility";
    if (platform != nullptr) platform->setActive(true);
    EXPECT_TRUE(QAccessible::isActive());
}

TListeningReader::~TListeningReader() {
    if (QPlatformAccessibility* platform = Platform()) platform->setActive(false);
    QAccessible::installUpdateHandler(previous_);
    listening = nullptr;
}

std::vector<TAccessibleEvent> TListeningReader::Heard(QAccessible::Event type,
                                                      const QObject* object) const {
    std::vector<TAccessibleEvent> heard;
    for (const TAccessibleEvent& e : events) {
        if (e.type == type && e.object == object) heard.push_back(e);
    }
    return heard;
}

QString AccessibleText(QObject* object, QAccessible::Text text) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face != nullptr ? face->text(text) : QString("(no interface)");
}
