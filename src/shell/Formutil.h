// Places a dialog over the window that opens it.
#pragma once

#include <QLabel>
#include <QRect>
#include <QWidget>

// Where a dialog of outer size `dialog` goes over an owner with the outer
// rectangle `owner`, on a primary screen of size `screen`: centred on the
// owner, moved aside when about the owner's size, and kept off the screen's
// bottom 50 pixels and right edge.
QRect PlaceDialogRect(const QRect& owner, QSize dialog, QSize screen);

// Moves `dialog` to PlaceDialogRect; does nothing when either is absent.
void PlaceDialog(QWidget* owner, QWidget* dialog);

// A control of the forms: made on `parent`, named, placed.
template <typename T>
T* MakeControl(QWidget* parent, const char* name, QRect geometry) {
    auto* control = new T(parent);
    control->setObjectName(name);
    control->setGeometry(geometry);
    return control;
}

// A label of the forms, sized to its text.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QPoint at);
