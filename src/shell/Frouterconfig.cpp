#include "shell/Frouterconfig.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "router/Routerconf.h"
#include "shell/Fonts.h"
#include "shell/Formutil.h"
#include "shell/Strconv.h"
#include "widgets/Largehtmllabel.h"

namespace {

const QStringList kHelpText = {
    "SNMP must be enabled on your router for this program to be used.<br><br>",
    "You may also need to configure an ACL for SNMP traffic.",
    "Make sure the SNMP community name that you enter here matches the",
    "community name that you have configured on the router. You can view",
    "the user's manual for a few brief tips on setting up the router.",
};

}  // namespace

TFormRouterConfig::TFormRouterConfig(TCiscoConfig& config, QWidget* owner)
    : QDialog(owner), config_(config) {
    setObjectName("FormRouterConfig");
    setWindowTitle("Configuration");
    setFont(MonitorFont());
    setFixedSize(530, 205);

    PageControl1 = MakeControl<QTabWidget>(this, "PageControl1", {8, 8, 513, 153});
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName("TabSheet1");
    PageControl1->addTab(TabSheet1, "Router");

    MakeLabel(TabSheet1, "Label1", "Router IP Address or Hostname:", {8, 13});
    EditHostname = MakeControl<QLineEdit>(TabSheet1, "EditHostname", {8, 32, 169, 21});
    MakeLabel(TabSheet1, "Label2", "SNMP Community Name:", {8, 59});
    EditCommunity = MakeControl<QLineEdit>(TabSheet1, "EditCommunity", {8, 78, 169, 21});
    // The model keeps at most 1023 bytes of each.
    EditHostname->setMaxLength(1023);
    EditCommunity->setMaxLength(1023);

    LargeHtmlLabel1 =
        MakeControl<TLargeHtmlLabel>(TabSheet1, "LargeHtmlLabel1", {183, 8, 319, 140});
    LargeHtmlLabel1->SetWordWrap1(1);
    LargeHtmlLabel1->SetParentBackground(true);
    LargeHtmlLabel1->SetLines(kHelpText);

    ButtonOk = MakeControl<QPushButton>(this, "ButtonOk", {8, 172, 75, 25});
    ButtonOk->setText("Ok");
    ButtonOk->setDefault(true);
    ButtonCancel = MakeControl<QPushButton>(this, "ButtonCancel", {89, 172, 75, 25});
    ButtonCancel->setText("Cancel");
    // OK stands left of Cancel but comes after it in the tab order.
    setTabOrder(EditHostname, EditCommunity);
    setTabOrder(EditCommunity, ButtonCancel);
    setTabOrder(ButtonCancel, ButtonOk);

    connect(ButtonOk, &QPushButton::clicked, this, &TFormRouterConfig::ButtonOkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormRouterConfig::ButtonCancelClick);
    FormCreate();
}

void TFormRouterConfig::FormCreate() {
    EditHostname->setText(QString::fromLocal8Bit(config_.hostname));
    EditCommunity->setText(QString::fromLocal8Bit(config_.community));
}

void TFormRouterConfig::ButtonOkClick() {
    EditTextToBuffer(EditHostname, config_.hostname);
    EditTextToBuffer(EditCommunity, config_.community);
    done(QDialog::Accepted);
}

void TFormRouterConfig::ButtonCancelClick() { done(QDialog::Rejected); }
