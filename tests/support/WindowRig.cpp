#include "tests/support/WindowRig.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QStackedWidget>
#include <QTimer>
#include <algorithm>

#include "router/Routerconf.h"
#include "snmp/Snmp.h"
#include "snmp/Udpsocket.h"
#include "tests/support/FakeRouter.h"

QString SimSettings(int row, const std::string& host) {
    return QString("hostname=%1\ncommunity=kelpie\ninterface=%2\n")
        .arg(QString::fromStdString(host))
        .arg(row);
}

TWindowRig::TWindowRig() { qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit()); }

TWindowRig::~TWindowRig() { window.reset(); }

QString TWindowRig::SettingsPath() const { return home.path() + "/Quillot/ventrel.conf"; }

void TWindowRig::WriteSettings(const QString& general) {
    QDir(home.path()).mkpath("Quillot");
    QFile file(SettingsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(("[General]\n" + general).toUtf8());
}

void TWindowRig::Open() {
    // The window starts its walk with the real clock; the test's goes on
    // from there.
    steady = std::chrono::steady_clock::now();
    window = std::make_unique<TFormCiscoMon>();
    window->TimerPoll->stop();
    window->TimerRequest->stop();
    // The walk's timer may run in a dialog's loop; the test steps the walk.
    QObject::disconnect(window->TimerWalk, nullptr, window.get(), nullptr);
    window->Now = [this] { return now; };
    window->Steady = [this] { return steady; };
}

int TWindowRig::Request(TSimRouterProcess* router) {
    TSnmpConnection* link = window->connection();
    const std::int32_t first = link->nextRequestId;
    window->TimerRequestTimer();
    const std::int32_t sent = link->nextRequestId - first;
    if (router != nullptr && router->running() && sent > 0) {
        EXPECT_TRUE(router->WaitForRequest(UdpLocalPort(link->socket), link->nextRequestId - 1,
                                           std::chrono::seconds(3)))
            << "simrouter never logged request " << link->nextRequestId - 1;
    }
    return sent;
}

void TWindowRig::Poll(bool repliesDue) {
    // Loopback hands a datagram over at once; a moment's grace all the same.
    pollfd ready{window->connection()->socket, POLLIN, 0};
    ::poll(&ready, 1, repliesDue ? 100 : 0);
    window->TimerPollTimer();
}

int TWindowRig::Tick(TSimRouterProcess* router) {
    const int sent = Request(router);
    Poll(router != nullptr && router->running());
    return sent;
}

void TWindowRig::Tick(TFakeRouter& router) {
    window->TimerRequestTimer();
    router.Serve(50);
    pollfd ready{window->connection()->socket, POLLIN, 0};
    ::poll(&ready, 1, 200);
    window->TimerPollTimer();
}

int TWindowRig::Walk() {
    const TInterfaceWalk& walk = Config->walk;
    for (int step = 0; walk.Walking() && step < 10000; ++step) {
        steady += TInterfaceWalk::kStep;
        window->TimerWalkTimer();
        pollfd ready{window->connection()->socket, POLLIN, 0};
        ::poll(&ready, 1, 200);
    }
    return walk.requests();
}

bool TWindowRig::Waiting() const {
    return window->PageControl1->currentWidget() == window->TabSheetWaiting;
}

const TCiscoInterface& TWindowRig::Selected() const {
    const TCiscoInterface* selected = Config->FindInterface(window->SelectedInstance());
    return selected != nullptr ? *selected : Config->interfaces[0];
}
