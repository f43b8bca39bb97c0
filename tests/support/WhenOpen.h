// Answers a modal dialog in a test: the dialog's own event loop runs `act`
// as soon as the dialog is open.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <functional>

// Runs `act` on the modal dialog of type `Dialog` once it is open.
template <typename Dialog>
void WhenOpen(std::function<void(Dialog*)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(dialog);
    });
}
