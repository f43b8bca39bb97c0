#include "shell/Frouterconfig.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "router/Routerconf.h"
#include "router/SettingsKey.h"
#include "shell/Fonts.h"
#include "shell/Formutil.h"
#include "shell/Hidetask.h"
#include "shell/Strconv.h"
#include "snmp/Limits.h"
#include "widgets/Largehtmllabel.h"

namespace {

const QStringList kHelpText = {
    "SNMP must be enabled on your router for this program to be used.<br><br>",
    "You may also need to configure an ACL for SNMP traffic.",
    "Make sure the SNMP community name that you enter here matches the",
    "community name that you have configured on the router. You can view",
    "the user's manual for a few brief tips on setting up the router.",
};

const char* const kPasswordHelp =
    "While the window is hidden in the tray, it opens again only when this password is "
    "typed; letters may be typed in either case. Leave both fields empty to keep the "
    "password you have.";

QLineEdit* MakePasswordEdit(QWidget* parent, const char* name, QRect geometry) {
    auto* edit = MakeControl<QLineEdit>(parent, name, geometry);
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet("lineedit-password-character: 42");  // '*'
    edit->setMaxLength(static_cast<int>(kMaxText));
    return edit;
}

}  // namespace

TFormRouterConfig::TFormRouterConfig(TCiscoConfig& config, QWidget* owner)
    : QDialog(owner), config_(config) {
    setObjectName("FormRouterConfig");
    setWindowTitle("Configuration");
    setFont(MonitorFont());
    setFixedSize(530, 205);

    PageControl1 = MakeControl<QTabWidget>(this, "PageControl1", {8, 8, 513, 153});
    CreateRouterPage();
    CreateTrayPage();

    ButtonOk = MakeControl<QPushButton>(this, "ButtonOk", {8, 172, 75, 25});
    ButtonOk->setText("Ok");
    ButtonOk->setDefault(true);
    ButtonCancel = MakeControl<QPushButton>(this, "ButtonCancel", {89, 172, 75, 25});
    ButtonCancel->setText("Cancel");
    // OK stands left of Cancel but comes after it in the tab order.
    setTabOrder(EditHostname, EditCommunity);
    setTabOrder(EditCommunity, CheckBoxUsePassword);
    setTabOrder(CheckBoxUsePassword, EditPassword);
    setTabOrder(EditPassword, EditPasswordRepeat);
    setTabOrder(EditPasswordRepeat, ButtonCancel);
    setTabOrder(ButtonCancel, ButtonOk);

    connect(ButtonOk, &QPushButton::clicked, this, &TFormRouterConfig::ButtonOkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormRouterConfig::ButtonCancelClick);
    connect(CheckBoxUsePassword, &QCheckBox::toggled, this,
            &TFormRouterConfig::CheckBoxUsePasswordClick);
    for (QLineEdit* edit : {EditPassword, EditPasswordRepeat}) {
        connect(edit, &QLineEdit::textEdited, LabelPasswordProblem, &QLabel::hide);
    }
    FormCreate();
}

void TFormRouterConfig::CreateRouterPage() {
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName("TabSheet1");
    PageControl1->addTab(TabSheet1, "Router");

    MakeLabel(TabSheet1, "Label1", "Router IP Address or Hostname:", {8, 13});
    EditHostname = MakeControl<QLineEdit>(TabSheet1, "EditHostname", {8, 32, 169, 21});
    MakeLabel(TabSheet1, "Label2", "SNMP Community Name:", {8, 59});
    EditCommunity = MakeControl<QLineEdit>(TabSheet1, "EditCommunity", {8, 78, 169, 21});
    // The model and the store keep at most kMaxText bytes of each.
    EditHostname->setMaxLength(static_cast<int>(kMaxText));
    EditCommunity->setMaxLength(static_cast<int>(kMaxText));

    LargeHtmlLabel1 =
        MakeControl<TLargeHtmlLabel>(TabSheet1, "LargeHtmlLabel1", {183, 8, 319, 140});
    LargeHtmlLabel1->SetWordWrap1(1);
    LargeHtmlLabel1->SetParentBackground(true);
    LargeHtmlLabel1->SetLines(kHelpText);
}

void TFormRouterConfig::CreateTrayPage() {
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName("TabSheet2");
    PageControl1->addTab(TabSheet2, "Tray");

    CheckBoxUsePassword = MakeControl<QCheckBox>(TabSheet2, "CheckBoxUsePassword", {8, 8, 300, 17});
    CheckBoxUsePassword->setText("Ask for a password to open the window");
    MakeLabel(TabSheet2, "LabelPassword", "Password:", {8, 33});
    EditPassword = MakePasswordEdit(TabSheet2, "EditPassword", {8, 49, 169, 21});
    MakeLabel(TabSheet2, "LabelPasswordRepeat", "Repeat the password:", {8, 76});
    EditPasswordRepeat = MakePasswordEdit(TabSheet2, "EditPasswordRepeat", {8, 92, 169, 21});

    LabelPasswordHelp = MakeControl<QLabel>(TabSheet2, "LabelPasswordHelp", {183, 33, 319, 56});
    LabelPasswordHelp->setWordWrap(true);
    LabelPasswordHelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LabelPasswordHelp->setText(kPasswordHelp);
    LabelPasswordProblem =
        MakeControl<QLabel>(TabSheet2, "LabelPasswordProblem", {183, 94, 319, 17});
    LabelPasswordProblem->setStyleSheet("color: #c00000");
    LabelPasswordProblem->hide();
}

void TFormRouterConfig::FormCreate() {
    EditHostname->setText(QString::fromLocal8Bit(config_.hostname));
    EditCommunity->setText(QString::fromLocal8Bit(config_.community));

    // The Tray page shows what the tray controller would read now. Opening
    // the dialog creates nothing: a missing settings file stays missing.
    SettingsKey key;
    key.Open(config_.name, false);
    std::string password;
    key.ReadString(kPasswordValue, "", password, kTextBufferSize);
    storedUsePassword_ = key.ReadFlag(kUsePasswordValue);
    key.Close();
    passwordStored_ = !password.empty();
    CheckBoxUsePassword->setChecked(storedUsePassword_);
    CheckBoxUsePasswordClick();
    if (passwordStored_) EditPassword->setPlaceholderText("unchanged");
}

void TFormRouterConfig::CheckBoxUsePasswordClick() {
    const bool use = CheckBoxUsePassword->isChecked();
    EditPassword->setEnabled(use);
    EditPasswordRepeat->setEnabled(use);
    LabelPasswordProblem->hide();
}

QString TFormRouterConfig::TrayPageProblem() const {
    if (!CheckBoxUsePassword->isChecked()) return {};
    if (EditPassword->text() != EditPasswordRepeat->text()) return "The two passwords differ.";
    // Asking for a password that nobody set would open the window on an
    // empty entry: not what ticking the box means.
    if (EditPassword->text().isEmpty() && !passwordStored_ && !storedUsePassword_) {
        return "Type the password in both fields.";
    }
    return {};
}

void TFormRouterConfig::SaveTrayPage() const {
    // Only what the page changed: the file keeps how the user wrote the rest.
    const bool use = CheckBoxUsePassword->isChecked();
    const bool newPassword = use && !EditPassword->text().isEmpty();
    if (use == storedUsePassword_ && !newPassword) return;
    SettingsKey key;
    key.Open(config_.name);
    if (use != storedUsePassword_) key.WriteInteger(kUsePasswordValue, use ? 1 : 0);
    if (newPassword) key.WriteString(kPasswordValue, TextToBuffer(EditPassword->text()));
    key.Close();
}

void TFormRouterConfig::ButtonOkClick() {
    if (const QString problem = TrayPageProblem(); !problem.isEmpty()) {
        // Nothing is taken: the user mends the page or cancels.
        LabelPasswordProblem->setText(problem);
        LabelPasswordProblem->show();
        PageControl1->setCurrentWidget(TabSheet2);
        EditPassword->setFocus();
        return;
    }
    EditTextToBuffer(EditHostname, config_.hostname);
    EditTextToBuffer(EditCommunity, config_.community);
    SaveTrayPage();
    done(QDialog::Accepted);
}

void TFormRouterConfig::ButtonCancelClick() { done(QDialog::Rejected); }
