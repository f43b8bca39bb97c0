#include "shell/Frestore.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "shell/Fonts.h"

TFormRestore::TFormRestore(QWidget* owner) : QDialog(owner) {
    setObjectName("FormRestore");
    setWindowTitle("Restore Program");
    setFont(DialogFont());
    setFixedSize(275, 107);

    Label1 = new QLabel("Enter Password:", this);
    Label1->setObjectName("Label1");
    Label1->move(8, 16);
    Label1->adjustSize();

    EditPassword = new QLineEdit(this);
    EditPassword->setObjectName("EditPassword");
    EditPassword->setGeometry(8, 32, 257, 21);
    EditPassword->setEchoMode(QLineEdit::Password);
    EditPassword->setStyleSheet("lineedit-password-character: 42");  // '*'

    ButtonOk = new QPushButton("Ok", this);
    ButtonOk->setObjectName("ButtonOk");
    ButtonOk->setGeometry(56, 72, 75, 25);
    ButtonOk->setDefault(true);
    ButtonCancel = new QPushButton("Cancel", this);
    ButtonCancel->setObjectName("ButtonCancel");
    ButtonCancel->setGeometry(144, 72, 75, 25);

    setTabOrder(EditPassword, ButtonOk);
    setTabOrder(ButtonOk, ButtonCancel);
    EditPassword->setFocus();

    connect(ButtonOk, &QPushButton::clicked, this, &TFormRestore::ButtonOkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormRestore::ButtonCancelClick);
    connect(this, &QDialog::finished, &loop_, &QEventLoop::quit);
}

int TFormRestore::RunModal() {
    setModal(true);
    show();
    loop_.exec(QEventLoop::DialogExec);
    return result();
}

void TFormRestore::ShowAgain() {
    hide();
    show();
}

void TFormRestore::ButtonOkClick() { done(QDialog::Accepted); }

void TFormRestore::ButtonCancelClick() { done(QDialog::Rejected); }
