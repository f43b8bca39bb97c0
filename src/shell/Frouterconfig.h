// The settings dialog behind the main window's Setup button: the router's
// address and the SNMP community.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QTabWidget;
class TCiscoConfig;
class TLargeHtmlLabel;

class TFormRouterConfig : public QDialog {
    Q_OBJECT

public:
    // Edits `config`'s hostname and community; only OK writes them back.
    explicit TFormRouterConfig(TCiscoConfig& config, QWidget* owner = nullptr);

    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QLineEdit* EditHostname;
    QLineEdit* EditCommunity;
    TLargeHtmlLabel* LargeHtmlLabel1;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;

public slots:
    void ButtonOkClick();
    void ButtonCancelClick();

private:
    void FormCreate();

    TCiscoConfig& config_;
};
