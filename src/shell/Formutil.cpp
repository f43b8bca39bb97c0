#include "shell/Formutil.h"

#include <QWidget>
#include <cstdlib>

#include "shell/Desktop.h"

QRect PlaceDialogRect(const QRect& owner, QSize dialog, QSize screen) {
    const int w = dialog.width();
    const int h = dialog.height();
    // C++ division truncates toward zero, as the placement wants.
    int top = owner.top() + (owner.height() - h) / 2;
    int left = owner.left() + (owner.width() - w) / 2;
    if (top < 0) top = 0;
    if (left < 0) left = 0;
    // A dialog of about the owner's size would hide it exactly: step aside.
    if (std::abs(owner.width() - w) < 10) left += 15;
    if (std::abs(owner.height() - h) < 10) top += 15;
    if (top + h >= screen.height() - 50) top = screen.height() - h - 50;
    if (left + w >= screen.width()) left = screen.width() - w;
    return {left, top, w, h};
}

void PlaceDialog(QWidget* owner, QWidget* dialog) {
    if (owner == nullptr || dialog == nullptr) return;
    // A dialog not shown yet has no frame; reckon with the owner's frame.
    const QRect ownerFrame = owner->frameGeometry();
    const QSize frame = ownerFrame.size() - owner->geometry().size();
    const QSize outer =
        dialog->isVisible() ? dialog->frameGeometry().size() : dialog->size() + frame;
    const QRect placed = PlaceDialogRect(ownerFrame, outer, Desktop().PrimaryScreen().size());
    dialog->move(placed.topLeft());
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QPoint at) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(at);
    label->adjustSize();
    return label;
}
