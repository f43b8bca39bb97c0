// The dialog that asks for the restore password before the hidden windows
// come back.
#pragma once

#include <QDialog>
#include <QEventLoop>

class QLabel;
class QLineEdit;
class QPushButton;

class TFormRestore : public QDialog {
    Q_OBJECT

public:
    explicit TFormRestore(QWidget* owner = nullptr);

    // Shows the dialog modally and returns its result once it is answered.
    // Unlike exec(), its loop outlives a hide, so ShowAgain can map it anew.
    int RunModal();
    // Hides the dialog and shows it again: a new window, which compositors
    // that let no program raise itself (Wayland's) put on top and focus.
    void ShowAgain();

    QLabel* Label1;
    QLineEdit* EditPassword;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;

public slots:
    void ButtonOkClick();
    void ButtonCancelClick();

private:
    QEventLoop loop_;
};
