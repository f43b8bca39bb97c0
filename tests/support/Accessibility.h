// An assistive technology listening, for a test in process: Qt's
// accessibility switched on as a screen reader's bridge would switch it, and
// every event it would hear recorded. Off again when the object goes.
#pragma once

#include <QAccessible>
#include <QPointer>
#include <QVariant>
#include <vector>

struct TAccessibleEvent {
    QAccessible::Event type;
    QPointer<QObject> object;
    QVariant value;  // a value change's new value
};

class TListeningReader {
public:
    TListeningReader();
    ~TListeningReader();
    TListeningReader(const TListeningReader&) = delete;
    TListeningReader& operator=(const TListeningReader&) = delete;

    // The events of `type` about `object` heard so far.
    std::vector<TAccessibleEvent> Heard(QAccessible::Event type, const QObject* object) const;

    std::vector<TAccessibleEvent> events;

private:
    QAccessible::UpdateHandler previous_ = nullptr;
};

// The interface a reader gets for `object`, and its texts.
QString AccessibleText(QObject* object, QAccessible::Text text);
