// Places a dialog over the window that opens it.
#pragma once

#include <QRect>

class QWidget;

// Where a dialog of outer size `dialog` goes over an owner with the outer
// rectangle `owner`, on a primary screen of size `screen`: centred on the
// owner, moved aside when about the owner's size, and kept off the screen's
// bottom 50 pixels and right edge.
QRect PlaceDialogRect(const QRect& owner, QSize dialog, QSize screen);

// Moves `dialog` to PlaceDialogRect; does nothing when either is absent.
void PlaceDialog(QWidget* owner, QWidget* dialog);
