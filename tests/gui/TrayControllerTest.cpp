// The tray controller in process, offscreen: hiding, the way back, the
// restore password and its dialog. The desktop's message boxes are recorded
// instead of shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "router/Routerconf.h"
#include "shell/Frestore.h"
#include "shell/Frouterconfig.h"
#include "shell/Hidetask.h"
#include "tests/support/RecordingDesktop.h"

namespace {

class TrayController : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
        window.setObjectName("Window");
        window.show();
        taskbar.form = &window;
        taskbar.icon = window.style()->standardIcon(QStyle::SP_ComputerIcon);
        taskbar.keyName = "ventrel";
        taskbar.trayAvailable = [] { return true; };
        taskbar.SetAlwaysIcon(true);
    }

    QString SettingsPath() const { return home.path() + "/Quillot/ventrel.conf"; }

    void WriteTraySettings(const QString& lines) {
        QDir(home.path()).mkpath("Quillot");
        QFile file(SettingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("[General]\nhostname=127.0.0.1\n" + lines).toUtf8());
    }

    QByteArray Settings() const {
        QFile file(SettingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void Click(long mouseEvent) {
        taskbar.HandleTrayMessage({kTrayCallbackMessage, 0, mouseEvent});
    }

    enum class TAnswer { Ok, Cancel, Escape };

    // Types `text` into the password dialog once it is open and answers it.
    void AnswerPassword(const QString& text, TAnswer answer = TAnswer::Ok) {
        QTimer::singleShot(0, [text, answer] {
            auto* dialog = qobject_cast<TFormRestore*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr) << "the password dialog is open";
            EXPECT_EQ(dialog->windowTitle(), "Restore Program");
            dialog->EditPassword->setText(text);
            if (answer == TAnswer::Escape) {
                // Pressed in the edit, where the typing was.
                QTest::keyClick(dialog->EditPassword, Qt::Key_Escape);
                if (dialog->isVisible()) {
                    ADD_FAILURE() << "Escape left the dialog open";
                    dialog->reject();
                }
                return;
            }
            (answer == TAnswer::Ok ? dialog->ButtonOk : dialog->ButtonCancel)->click();
        });
    }

    // Where no dialog may open: one that does is failed and closed, so the
    // test ends instead of waiting for an answer.
    void FailIfAsked() {
        guard.setSingleShot(true);
        guard.callOnTimeout([] {
            if (auto* dialog = qobject_cast<TFormRestore*>(QApplication::activeModalWidget())) {
                ADD_FAILURE() << "the password was asked for";
                dialog->reject();
            }
        });
        guard.start(300);
    }

    QTemporaryDir home;
    TRecordingDesktop desktop;
    QWidget window;
    THideOnTaskbar taskbar;
    QTimer guard;  // ends with the test
};

TEST_F(TrayController, HidesAndComesBackOnALeftButtonPress) {
    taskbar.HideToTray();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(taskbar.hidden);
    for (long ignored : {512L, 514L, 515L, 517L, 519L, 0L}) {
        Click(ignored);
        EXPECT_FALSE(window.isVisible()) << ignored << " is not a left button press";
    }
    // What the tray reports goes the same way: a double click acts through
    // its first press only.
    for (auto reason :
         {QSystemTrayIcon::DoubleClick, QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown}) {
        emit taskbar.trayIcon()->activated(reason);
        EXPECT_FALSE(window.isVisible()) << "activation " << reason;
    }
    emit taskbar.trayIcon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(taskbar.hidden);
    EXPECT_TRUE(taskbar.iconShown) << "the icon stays in the tray";
    taskbar.RemoveIcon();
    EXPECT_FALSE(taskbar.iconShown);
    EXPECT_TRUE(desktop.messages.isEmpty());
}

TEST_F(TrayController, OnlyTheFormsVisibleAtHideTimeComeBackEnabled) {
    QWidget other;
    other.setObjectName("Other");
    QWidget shut;
    shut.setObjectName("Shut");
    other.show();
    other.setEnabled(false);
    taskbar.HideToTray();
    EXPECT_FALSE(other.isVisible());
    Click(kTrayLeftButtonDown);
    EXPECT_TRUE(other.isVisible());
    EXPECT_TRUE(other.isEnabled());
    EXPECT_FALSE(shut.isVisible());
}

TEST_F(TrayController, WithoutAnIconNothingIsHidden) {
    taskbar.icon = QIcon();
    taskbar.HideToTray();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(taskbar.hidden);
    EXPECT_EQ(desktop.messages, QStringList{"Error: Internal Error: Taskbar icon is NULL"});
}

TEST_F(TrayController, WithoutATrayTheWindowStaysWithinReach) {
    taskbar.noTrayMessage = "To end it, choose File > Exit.";
    window.setWindowTitle("Ventrel");
    taskbar.trayAvailable = [] { return false; };
    for (bool canMinimise : {true, false}) {
        SCOPED_TRACE(canMinimise ? "minimised (X11)" : "nowhere to go (Wayland)");
        desktop.windowing.canMinimise = canMinimise;
        window.showNormal();
        for (int close = 0; close < 2; ++close) {
            taskbar.HideToTray();
            EXPECT_TRUE(window.isVisible()) << "a hidden window could never be reached";
            EXPECT_EQ(window.isMinimized(), canMinimise);
            EXPECT_FALSE(taskbar.hidden);
        }
        Click(kTrayLeftButtonDown);
        EXPECT_FALSE(window.isMinimized());
    }
    EXPECT_EQ(desktop.messages, QStringList{"Ventrel: To end it, choose File > Exit."})
        << "told once, and only where the window could not go";
}

// On Wayland Qt looks for a StatusNotifier host once, when the first icon is
// made: the icon waits until one runs, and Qt is not asked before.
TEST_F(TrayController, OnWaylandTheIconWaitsForAStatusNotifierHost) {
    desktop.windowing = {
        .knowsPosition = false, .canMinimise = false, .canRaise = false, .trayLookedUpOnce = true};
    THideOnTaskbar late;
    late.form = &window;
    late.icon = taskbar.icon;
    late.keyName = "ventrel";
    late.tip = "Ventrel";
    late.noTrayMessage = "No tray.";
    bool hostRuns = false;
    late.trayHostRunning = [&hostRuns] { return hostRuns; };
    late.trayAvailable = [&hostRuns] {
        EXPECT_TRUE(hostRuns) << "Qt was asked for a tray before a host ran";
        return hostRuns;
    };
    QMenu menu;
    late.SetPopupMenu(&menu);
    late.SetAlwaysIcon(true);
    EXPECT_EQ(late.trayIcon(), nullptr);
    EXPECT_TRUE(late.iconShown) << "meant for the tray";
    late.HideToTray();
    EXPECT_TRUE(window.isVisible());
    late.TrayHostChanged();
    EXPECT_EQ(late.trayIcon(), nullptr) << "a watcher without a host";

    hostRuns = true;
    late.TrayHostChanged();
    ASSERT_NE(late.trayIcon(), nullptr);
    EXPECT_TRUE(late.trayIcon()->isVisible());
    EXPECT_EQ(late.trayIcon()->contextMenu(), &menu);
    EXPECT_EQ(late.trayIcon()->toolTip(), "Ventrel");
    late.HideToTray();
    EXPECT_FALSE(window.isVisible()) << "hidden into the tray that came";
    EXPECT_EQ(desktop.messages, QStringList{": No tray."});
}

TEST_F(TrayController, APasswordInAnyLetterCaseRestores) {
    WriteTraySettings("hidetask_usepassword=1\nhidetask_password=Blue-Heron\n");
    taskbar.HideToTray();
    AnswerPassword("blue-heron!");
    Click(kTrayLeftButtonDown);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(desktop.messages, QStringList{"Invalid Password: Invalid Password"});
    EXPECT_FALSE(taskbar.restoring);

    for (TAnswer answer : {TAnswer::Cancel, TAnswer::Escape}) {
        AnswerPassword("BLUE-heron", answer);
        Click(kTrayLeftButtonDown);
        EXPECT_FALSE(window.isVisible()) << "Cancel and Escape keep the window hidden";
        EXPECT_EQ(desktop.messages.size(), 1);
        EXPECT_FALSE(taskbar.restoring) << "the dialog closed";
    }

    AnswerPassword("bLUE-hERON");
    Click(kTrayLeftButtonDown);
    EXPECT_TRUE(window.isVisible());
}

struct TStoredPassword {
    const char* name;
    QString lines;  // the tray settings as the user wrote them
    QString wrong;  // an entry that must not restore; null: none tried
    QString right;  // the entry that restores; null: no password is asked
};

TEST_F(TrayController, StoredPasswordSettingsFailClosed) {
    const QString longPassword(1500, 'x');
    const TStoredPassword cases[] = {
        {"too long: never empty", "hidetask_usepassword=1\nhidetask_password=" + longPassword, "",
         longPassword},
        {"too long: compared by its first 1023 bytes",
         "hidetask_usepassword=1\nhidetask_password=" + longPassword, QString(1022, 'x'),
         QString(1023, 'x')},
        {"yes asks", "hidetask_usepassword=yes\nhidetask_password=secret", "", "SECRET"},
        {"true asks", "hidetask_usepassword=true\nhidetask_password=secret", "", "secret"},
        {"on asks", "hidetask_usepassword = on\nhidetask_password=secret", "", "secret"},
        {"0 does not ask", "hidetask_usepassword=0\nhidetask_password=secret", {}, {}},
        {"empty does not ask", "hidetask_usepassword=\nhidetask_password=secret", {}, {}},
        {"missing does not ask", "hidetask_password=secret", {}, {}},
        {"a semicolon belongs to the password",
         "hidetask_usepassword=1\nhidetask_password=Blue;Heron", "Blue", "blue;heron"},
        {"none stored: only an empty entry", "hidetask_usepassword=1\n", " ", ""},
    };
    for (const TStoredPassword& c : cases) {
        SCOPED_TRACE(c.name);
        WriteTraySettings(c.lines + "\n");
        taskbar.HideToTray();
        ASSERT_FALSE(window.isVisible());
        if (c.right.isNull()) {
            FailIfAsked();
            Click(kTrayLeftButtonDown);
            guard.stop();
            EXPECT_TRUE(window.isVisible()) << "no password is asked";
            continue;
        }
        if (!c.wrong.isNull()) {
            const qsizetype before = desktop.messages.size();
            AnswerPassword(c.wrong);
            Click(kTrayLeftButtonDown);
            EXPECT_FALSE(window.isVisible()) << "a wrong entry restored the window";
            EXPECT_EQ(desktop.messages.size(), before + 1);
        }
        AnswerPassword(c.right);
        Click(kTrayLeftButtonDown);
        ASSERT_TRUE(window.isVisible()) << "the right entry did not restore the window";
    }
}

TEST_F(TrayController, NoPasswordIsAskedWhenNotRequiredOrWhenTheWindowIsShown) {
    WriteTraySettings("hidetask_usepassword=0\nhidetask_password=secret\nhidetask_usebosskey=1\n");
    taskbar.HideToTray();
    EXPECT_TRUE(taskbar.useBossKey);
    FailIfAsked();
    Click(kTrayLeftButtonDown);
    EXPECT_TRUE(window.isVisible()) << "no dialog when the password is not required";

    WriteTraySettings("hidetask_usepassword=1\nhidetask_password=secret\n");
    FailIfAsked();
    Click(kTrayLeftButtonDown);  // shown: brought forward, never asked
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(desktop.messages.isEmpty());
}

TEST_F(TrayController, SettingsAreReadAtHideTime) {
    WriteTraySettings("hidetask_usepassword=0\n");
    taskbar.HideToTray();
    WriteTraySettings("hidetask_usepassword=1\nhidetask_password=secret\n");
    FailIfAsked();
    Click(kTrayLeftButtonDown);
    EXPECT_TRUE(window.isVisible()) << "the pending restore keeps the settings of its hide";
}

// Counts the times a widget was shown.
class TShowCounter : public QObject {
public:
    int shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) ++shown;
        return QObject::eventFilter(watched, event);
    }
};

TEST_F(TrayController, FurtherClicksWhileAskingRaiseTheOneDialog) {
    WriteTraySettings("hidetask_usepassword=1\nhidetask_password=secret\n");
    for (bool canRaise : {true, false}) {
        SCOPED_TRACE(canRaise ? "raised (X11)" : "mapped anew (Wayland)");
        desktop.windowing.canRaise = canRaise;
        taskbar.HideToTray();
        int dialogs = -1;
        TShowCounter counter;
        QTimer::singleShot(0, [&] {
            TFormRestore* open = taskbar.restoreDialog.data();
            ASSERT_NE(open, nullptr);
            open->installEventFilter(&counter);
            open->EditPassword->setText("sec");
            Click(kTrayLeftButtonDown);
            Click(kTrayLeftButtonDown);
            dialogs = 0;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (qobject_cast<TFormRestore*>(widget) && widget->isVisible()) ++dialogs;
            }
            EXPECT_TRUE(taskbar.restoring) << "the request is still being handled";
            EXPECT_EQ(QApplication::activeModalWidget(), open) << "and the dialog still modal";
            EXPECT_EQ(counter.shown, canRaise ? 0 : 2);
            EXPECT_EQ(open->EditPassword->text(), "sec") << "what was typed stays";
            // Answered from the loop again: a dialog whose loop ended when
            // it was shown anew is gone by then.
            QTimer::singleShot(0, [&] {
                TFormRestore* still = taskbar.restoreDialog.data();
                ASSERT_NE(still, nullptr) << "the dialog closed when it was shown anew";
                still->EditPassword->setText("secret");
                still->ButtonOk->click();
            });
        });
        Click(kTrayLeftButtonDown);
        EXPECT_EQ(dialogs, 1);
        EXPECT_FALSE(taskbar.restoring);
        EXPECT_EQ(taskbar.restoreDialog, nullptr);
        EXPECT_TRUE(window.isVisible()) << "the dialog shown again still answers";
    }
}

// The Tray page of the Configuration dialog against the file and the next
// hide: mismatched repeats write nothing, agreeing ones set the password,
// empty edits keep it, and the boss key is never written.
TEST_F(TrayController, TheTrayPageSetsWhatTheNextHideAsks) {
    WriteTraySettings("; mine\n");
    TCiscoConfig config;
    config.Load();
    const QByteArray before = Settings();
    auto answer = [&](bool use, const QString& password, const QString& repeat) {
        TFormRouterConfig dialog(config);
        dialog.CheckBoxUsePassword->setChecked(use);
        dialog.EditPassword->setText(password);
        dialog.EditPasswordRepeat->setText(repeat);
        dialog.ButtonOk->click();
        const bool taken = dialog.result() == QDialog::Accepted;
        // A refusal says why beside the edits, on the page that shows them.
        EXPECT_EQ(dialog.LabelPasswordProblem->isVisibleTo(&dialog), !taken);
        if (!taken) {
            EXPECT_EQ(dialog.PageControl1->currentWidget(), dialog.TabSheet2);
        }
        return taken;
    };

    {
        TFormRouterConfig dialog(config);
        EXPECT_EQ(dialog.PageControl1->count(), 2);
        EXPECT_EQ(dialog.PageControl1->tabText(1), "Tray");
        EXPECT_FALSE(dialog.CheckBoxUsePassword->isChecked());
        EXPECT_FALSE(dialog.EditPassword->isEnabled()) << "no password without the box";
        EXPECT_EQ(dialog.EditPasswordRepeat->echoMode(), QLineEdit::Password);
    }
    EXPECT_FALSE(answer(true, "Blue;Heron", "Blue;heron")) << "the repeat differs";
    EXPECT_FALSE(answer(true, "", "")) << "the box ticked, and no password anywhere";
    EXPECT_EQ(Settings(), before) << "a refused OK wrote something";

    // A host of the full 1023 bytes, and the password, in one OK.
    const QString host(static_cast<int>(kMaxText), 'h');
    {
        TFormRouterConfig dialog(config);
        dialog.EditHostname->setText(host);
        dialog.CheckBoxUsePassword->setChecked(true);
        dialog.EditPassword->setText("Blue;Heron");
        dialog.EditPasswordRepeat->setText("Blue;Heron");
        dialog.ButtonOk->click();
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
    }
    config.Save();
    TCiscoConfig restarted;
    restarted.Load();
    EXPECT_EQ(restarted.hostname, host.toStdString());
    EXPECT_EQ(Settings(), "[General]\nhostname=" + host.toLatin1() +
                              "\nhidetask_usepassword=1\nhidetask_password=\"Blue;Heron\"\n"
                              "community=kelpie\ninterface=6\ntop=0\nleft=0\n; mine\n");

    {
        TFormRouterConfig dialog(config);
        EXPECT_TRUE(dialog.CheckBoxUsePassword->isChecked()) << "the stored state is shown";
        EXPECT_TRUE(dialog.EditPassword->text().isEmpty());
    }
    const QByteArray set = Settings();
    EXPECT_TRUE(answer(true, "", "")) << "empty edits keep the password";
    EXPECT_EQ(Settings(), set);

    taskbar.HideToTray();
    AnswerPassword("Blue");
    Click(kTrayLeftButtonDown);
    EXPECT_FALSE(window.isVisible());
    AnswerPassword("blue;HERON");
    Click(kTrayLeftButtonDown);
    ASSERT_TRUE(window.isVisible()) << "the password set on the page did not restore the window";

    EXPECT_TRUE(answer(false, "", ""));
    taskbar.HideToTray();
    FailIfAsked();
    Click(kTrayLeftButtonDown);
    guard.stop();
    EXPECT_TRUE(window.isVisible()) << "the box cleared, the window came back without a password";
    EXPECT_FALSE(Settings().contains("hidetask_usebosskey"));
}

TEST_F(TrayController, TheTipIsCutWhereACharacterEnds) {
    // 126 bytes, then a three-byte character across the limit.
    const std::string tip = std::string(126, 't') + "\u20AC and more";
    taskbar.SetTip(tip);
    EXPECT_EQ(taskbar.tip, std::string(126, 't'));
    EXPECT_EQ(taskbar.trayIcon()->toolTip(), QString(126, 't'));
    taskbar.SetTip("Ventrel \u00B7 waiting for the router");
    EXPECT_EQ(taskbar.trayIcon()->toolTip(), "Ventrel \u00B7 waiting for the router");
}

TEST_F(TrayController, BalloonsOnlyWhereTheTrayShowsThem) {
    struct {
        const char* name;
        bool supported, trayThere, iconShown;
        bool shown;
    } const cases[] = {
        {"a tray that shows balloons", true, true, true, true},
        {"a tray without balloons", false, true, true, false},
        {"no tray", true, false, true, false},
        {"the icon taken out", true, true, false, false},
    };
    for (const auto& c : cases) {
        desktop.balloons.clear();
        desktop.trayMessages = c.supported;
        taskbar.trayAvailable = [&c] { return c.trayThere; };
        c.iconShown ? taskbar.SetAlwaysIcon(true) : taskbar.RemoveIcon();
        taskbar.ShowMessage("Ventrel", "The router stopped answering", QSystemTrayIcon::Warning);
        EXPECT_EQ(desktop.balloons,
                  c.shown ? QStringList{"Ventrel: The router stopped answering"} : QStringList{})
            << c.name;
    }
}

TEST_F(TrayController, TheTrayShowsTheMenuNothingPopsItByHand) {
    QMenu menu;
    menu.addAction("Open Window");
    taskbar.SetPopupMenu(&menu);
    EXPECT_EQ(taskbar.trayIcon()->contextMenu(), &menu) << "given to Qt after the icon showed";
    EXPECT_TRUE(taskbar.trayIcon()->isVisible());
    Click(kTrayRightButtonDown);
    emit taskbar.trayIcon()->activated(QSystemTrayIcon::Context);
    EXPECT_FALSE(menu.isVisible()) << "a second menu over the tray's own";
    taskbar.SetPopupMenu(nullptr);
    EXPECT_EQ(taskbar.trayIcon()->contextMenu(), nullptr);
}

}  // namespace
