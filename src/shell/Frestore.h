// The dialog that asks for the restore password before the hidden windows
// come back.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TFormRestore : public QDialog {
    Q_OBJECT

public:
    explicit TFormRestore(QWidget* owner = nullptr);

    QLabel* Label1;
    QLineEdit* EditPassword;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;

public slots:
    void ButtonOkClick();
    void ButtonCancelClick();
};
