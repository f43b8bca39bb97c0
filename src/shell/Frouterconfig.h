// The settings dialog behind the main window's Setup button: the router's
// address and the SNMP community, and on its Tray page whether the window
// asks for a password before it comes back from the tray.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TCiscoConfig;
class TLargeHtmlLabel;

class TFormRouterConfig : public QDialog {
    Q_OBJECT

public:
    // Edits `config`'s hostname and community and the restore password of
    // its settings key; only OK writes them back.
    explicit TFormRouterConfig(TCiscoConfig& config, QWidget* owner = nullptr);

    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QLineEdit* EditHostname;
    QLineEdit* EditCommunity;
    TLargeHtmlLabel* LargeHtmlLabel1;
    QWidget* TabSheet2;
    QCheckBox* CheckBoxUsePassword;
    QLineEdit* EditPassword;
    QLineEdit* EditPasswordRepeat;
    QLabel* LabelPasswordHelp;
    QLabel* LabelPasswordProblem;  // why OK was refused, beside the edits
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;

public slots:
    void ButtonOkClick();
    void ButtonCancelClick();
    void CheckBoxUsePasswordClick();

private:
    void CreateRouterPage();
    void CreateTrayPage();
    void FormCreate();
    // The reason the Tray page cannot be taken as it is; empty when it can.
    QString TrayPageProblem() const;
    void SaveTrayPage() const;

    TCiscoConfig& config_;
    bool storedUsePassword_ = false;  // as the tray controller reads it
    bool passwordStored_ = false;
};
