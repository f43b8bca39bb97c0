// A router name that does not resolve. Inside the test's network namespace
// no name server answers, so a name outside /etc/hosts never resolves.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "router/Oids.h"
#include "router/Routerconf.h"
#include "shell/Frouterconfig.h"
#include "snmp/Snmp.h"
#include "tests/support/FakeRouter.h"
#include "tests/support/NetHelpers.h"
#include "tests/support/WhenOpen.h"
#include "tests/support/WindowRig.h"
#include "widgets/Gaugebar.h"

namespace faults {
namespace {

constexpr const char* kLostName = "router.invalid";

TEST(AddressFaults, ANameThatStopsResolvingKeepsThePollingOfTheRouterItHad) {
    TWindowRig rig;
    TFakeRouter router;
    router.SetInteger(mib::kCpu, 23);
    rig.WriteSettings(QString("hostname=127.0.0.1:%1\ncommunity=kelpie\n").arg(router.port()));
    rig.Open();
    rig.Tick(router);
    ASSERT_FALSE(rig.Waiting());

    WhenOpen<TFormRouterConfig>([](TFormRouterConfig* dialog) {
        dialog->EditHostname->setText(kLostName);
        dialog->ButtonOk->click();
    });
    rig.window->ButtonSetupClick();
    // The new name is kept, and the waiting page is up as after any Setup.
    EXPECT_EQ(Config->hostname, kLostName);
    EXPECT_EQ(rig.window->connection()->host, kLostName);
    EXPECT_TRUE(rig.Waiting());

    // The router it had goes on being asked, and its answers are shown.
    router.requests.clear();
    router.SetInteger(mib::kCpu, 42);
    rig.Tick(router);
    EXPECT_FALSE(router.requests.empty()) << "the old address is no longer polled";
    EXPECT_FALSE(rig.Waiting());
    EXPECT_EQ(rig.window->ProgressBarCpu->TargetValue(), 42);
}

TEST(AddressFaults, AFirstStartWithANameThatDoesNotResolveSendsNothingAndWaits) {
    TWindowRig rig;
    rig.WriteSettings(QString("hostname=%1:16161\ncommunity=kelpie\n").arg(kLostName));
    const long sentBefore = nettest::UdpOutDatagrams();
    rig.Open();
    for (int k = 1; k <= 3; ++k) {
        ++rig.now;
        rig.Tick(nullptr);
    }
    EXPECT_EQ(nettest::UdpOutDatagrams(), sentBefore) << "a datagram went somewhere";
    EXPECT_TRUE(rig.Waiting());
}

}  // namespace
}  // namespace faults
