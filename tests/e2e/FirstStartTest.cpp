// The real program's first start with default settings, in a private network
// namespace where the router's default address 192.168.0.1 is on the
// namespace's own loopback: this test plays the router there.
#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include "router/Oids.h"
#include "tests/support/Child.h"
#include "tests/support/FakeRouter.h"

namespace {

std::vector<std::string> ExpectedFirstTick() {
    std::vector<std::string> oids = {mib::kCpu};
    for (int pool : {1, 2}) {
        for (const char* column : {mib::kPoolName, mib::kPoolUsed, mib::kPoolFree}) {
            oids.push_back(mib::Cell(column, pool));
        }
    }
    for (int i = 0; i < 10; ++i) oids.push_back(mib::Cell(mib::kIfDescr, i));
    for (const char* column :
         {mib::kIfInUcast, mib::kIfInNUcast, mib::kIfOutUcast, mib::kIfOutNUcast}) {
        oids.push_back(mib::Cell(column, 6));
    }
    return oids;
}

TEST(FirstStart, DefaultsOnDiskAndTheFirstTickOnTheWire) {
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    TFakeRouter router("192.168.0.1", 161);
    router.answer = false;  // only the first tick is looked at

    TChild ventrel;
    ASSERT_TRUE(ventrel.Start({VENTREL_PATH}, {"QT_QPA_PLATFORM=offscreen",
                                               "XDG_CONFIG_HOME=" + config.path().toStdString()}));
    // The first tick comes a second after start; allow a slow machine. The
    // walk of the interfaces' names asks beside it.
    auto gets = [&] {
        std::vector<TFakeRequest> only;
        for (const TFakeRequest& r : router.requests)
            if (r.pduTag == kGetRequestTag) only.push_back(r);
        return only;
    };
    for (int waited = 0; gets().size() < 21 && waited < 100; ++waited) router.Serve(100);
    ventrel.Stop();

    ASSERT_FALSE(router.requests.empty());
    EXPECT_EQ(router.requests[0].pduTag, kGetNextRequestTag) << "the walk starts at once";
    EXPECT_EQ(router.requests[0].oid, "1.3.6.1.2.1.2.2.1.2");
    const std::vector<TFakeRequest> asked = gets();
    std::vector<std::string> expected = ExpectedFirstTick();
    ASSERT_GE(asked.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const TFakeRequest& request = asked[i];
        EXPECT_EQ(request.oid, expected[i]) << i;
        EXPECT_EQ(request.requestId, asked[0].requestId + static_cast<std::int32_t>(i))
            << "one by one, " << i;
        EXPECT_EQ(request.community, "kelpie") << i;
        EXPECT_EQ(request.sourcePort, 65535) << i;
    }

    QSettings stored(config.path() + "/Quillot/ventrel.conf", QSettings::IniFormat);
    QStringList keys = stored.allKeys();
    keys.sort();
    EXPECT_EQ(keys, QStringList({"community", "hostname", "interface", "left", "top"}));
    EXPECT_EQ(stored.value("hostname").toString(), "192.168.0.1");
    EXPECT_EQ(stored.value("community").toString(), "kelpie");
    EXPECT_EQ(stored.value("interface").toInt(), 6);
    EXPECT_EQ(stored.value("top").toInt(), 0);
    EXPECT_EQ(stored.value("left").toInt(), 0);
}

}  // namespace
