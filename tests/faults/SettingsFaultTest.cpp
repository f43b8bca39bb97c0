// A settings file the program cannot use: garbage, unreadable, a folder in
// its place, a symlink to a script, past the read limit, or on a read-only
// disk. The program starts with its defaults,
// keeps polling, and leaves what is on disk as it was.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <random>

#include "router/Oids.h"
#include "router/Routerconf.h"
#include "router/SettingsKey.h"
#include "shell/Frouterconfig.h"
#include "tests/support/Child.h"
#include "tests/support/FakeRouter.h"
#include "tests/support/WhenOpen.h"
#include "tests/support/WindowRig.h"

namespace faults {
namespace {

using namespace std::chrono_literals;

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Write(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QByteArray GarbageOctets() {
    std::mt19937 random(77);
    QByteArray data(4096, '\0');
    for (char& c : data) c = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
    return data;
}

// A good file that names another router: read, it would send the program there.
const QByteArray kGoodFile = "[General]\nhostname=127.0.0.1:9\ncommunity=walrus\ninterface=2\n";

enum class Damage { Garbage, Unreadable, Folder, ScriptLink, Oversized, ReadOnlyDisk };

struct TDamageCase {
    const char* what;
    Damage damage;
};

void PrintTo(const TDamageCase& c, std::ostream* out) { *out << c.what; }

class DamagedSettings : public ::testing::TestWithParam<TDamageCase> {};

// The real program with the damaged settings, and the router at its default
// address 192.168.0.1:161, which exists only in this test's namespace.
TEST_P(DamagedSettings, TheProgramPollsWithItsDefaultsAndLeavesTheDiskAsItWas) {
    const TDamageCase& c = GetParam();
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const QString file = config.path() + "/Quillot/ventrel.conf";
    std::vector<std::string> command = {VENTREL_PATH};
    QByteArray before;

    switch (c.damage) {
        case Damage::Garbage:
            before = GarbageOctets();
            ASSERT_TRUE(Write(file, before));
            break;
        case Damage::Unreadable:
            // Mode 000 stops no root: the program runs without the
            // capabilities that override file modes.
            before = kGoodFile;
            ASSERT_TRUE(Write(file, before));
            ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0), 0);
            command.insert(command.begin(),
                           {"setpriv", "--bounding-set", "-dac_override,-dac_read_search"});
            break;
        case Damage::Folder:
            before = kGoodFile;
            ASSERT_TRUE(Write(file + "/kept", before));
            break;
        case Damage::ScriptLink:
            // Good settings on their face, but a script: never ours to read
            // or to write.
            before = "#!/bin/sh\n" + kGoodFile.sliced(10);
            ASSERT_TRUE(Write(config.path() + "/bin/tool", before));
            ASSERT_EQ(::chmod(QFile::encodeName(config.path() + "/bin/tool").constData(), 0755), 0);
            ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
            ASSERT_TRUE(QFile::link(config.path() + "/bin/tool", file));
            break;
        case Damage::Oversized:
            before = kGoodFile + QByteArray(SettingsKey::kMaxFileSize, ';');
            ASSERT_TRUE(Write(file, before));
            break;
        case Damage::ReadOnlyDisk:
            // The settings folder, mounted read-only for the program alone.
            command = {
                "unshare",
                "-m",
                "sh",
                "-c",
                "mount --bind \"$0\" \"$0\" && mount -o remount,bind,ro \"$0\" && exec \"$@\"",
                config.path().toStdString(),
                VENTREL_PATH};
            break;
    }

    TFakeRouter router("192.168.0.1", 161);
    router.SetInteger(mib::kCpu, 17);
    for (const char* column : {mib::kPoolUsed, mib::kPoolFree}) {
        for (int pool : {1, 2}) router.SetInteger(mib::Cell(column, pool), 1000);
    }
    for (const char* column :
         {mib::kIfInUcast, mib::kIfInNUcast, mib::kIfOutUcast, mib::kIfOutNUcast})
        router.SetInteger(mib::Cell(column, 6), 5, kTagCounter);
    TChild ventrel;
    ASSERT_TRUE(ventrel.Start(
        command, {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + config.path().toStdString()}));
    // Two ticks: the first asks for 21 values, the next for 9.
    for (int waited = 0; router.requests.size() < 30 && waited < 60; ++waited) router.Serve(100);
    EXPECT_EQ(ventrel.Wait(0ms), -1) << "the program ended";
    ventrel.Stop();

    ASSERT_GE(router.requests.size(), 30u) << "the program stopped polling";
    for (const TFakeRequest& request : router.requests) EXPECT_EQ(request.community, "kelpie");
    EXPECT_EQ(router.requests.back().oid, mib::Cell(mib::kIfOutNUcast, 6))
        << "the default interface";

    switch (c.damage) {
        case Damage::Garbage:
        case Damage::Oversized:
            EXPECT_EQ(Contents(file), before);
            break;
        case Damage::ScriptLink: {
            EXPECT_TRUE(QFileInfo(file).isSymLink());
            const QString script = config.path() + "/bin/tool";
            EXPECT_EQ(Contents(script), before);
            struct stat st {};
            ASSERT_EQ(::stat(QFile::encodeName(script).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0755u) << "its mode was changed";
            break;
        }
        case Damage::Unreadable: {
            EXPECT_EQ(Contents(file), before);
            struct stat st {};
            ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0u) << "its mode was changed";
            break;
        }
        case Damage::Folder:
            EXPECT_TRUE(QFileInfo(file).isDir());
            EXPECT_EQ(QDir(file).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                      QStringList{"kept"});
            EXPECT_EQ(Contents(file + "/kept"), before);
            break;
        case Damage::ReadOnlyDisk:
            EXPECT_TRUE(QDir(config.path()).isEmpty(QDir::NoDotAndDotDot | QDir::AllEntries))
                << "something was written";
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, DamagedSettings,
                         ::testing::Values(TDamageCase{"garbage", Damage::Garbage},
                                           TDamageCase{"unreadable", Damage::Unreadable},
                                           TDamageCase{"folder", Damage::Folder},
                                           TDamageCase{"script_link", Damage::ScriptLink},
                                           TDamageCase{"oversized", Damage::Oversized},
                                           TDamageCase{"read_only_disk", Damage::ReadOnlyDisk}),
                         [](const auto& param) { return std::string(param.param.what); });

// A good file on a read-only disk: read as usual; every save the user
// causes fails without a word, the program runs on with the new choices,
// and the file stays as it was.
TEST(SettingsFaults, OnAReadOnlyDiskAGoodFileIsUsedAndNoSaveHarmsIt) {
    // This process's own mount namespace, so the read-only mount is ours.
    ASSERT_EQ(::unshare(CLONE_NEWNS), 0);
    ASSERT_EQ(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);

    TFakeRouter router;
    router.SetInteger(mib::kCpu, 31);
    TWindowRig rig;
    rig.WriteSettings(
        QString("hostname=127.0.0.1:%1\ncommunity=walrus\ninterface=3\n").arg(router.port()));
    const QByteArray before = Contents(rig.SettingsPath());
    const QByteArray folder = QFile::encodeName(rig.home.path());
    ASSERT_EQ(::mount(folder.constData(), folder.constData(), nullptr, MS_BIND, nullptr), 0);
    ASSERT_EQ(
        ::mount(nullptr, folder.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr),
        0);

    rig.Open();
    rig.Tick(router);
    ASSERT_FALSE(router.requests.empty());
    EXPECT_EQ(router.requests.front().community, "walrus") << "the good file was not read";
    EXPECT_EQ(router.requests.back().oid, mib::Cell(mib::kIfOutNUcast, 3));
    EXPECT_FALSE(rig.Waiting());

    // The user picks another interface, then another community.
    rig.window->ComboBoxInterface->setCurrentIndex(5);
    emit rig.window->ComboBoxInterface->activated(5);
    WhenOpen<TFormRouterConfig>([](TFormRouterConfig* dialog) {
        dialog->EditCommunity->setText("kelpie");
        dialog->ButtonOk->click();
    });
    rig.window->ButtonSetupClick();

    router.requests.clear();
    rig.Tick(router);
    ASSERT_FALSE(router.requests.empty()) << "polling stopped";
    EXPECT_EQ(router.requests.back().community, "kelpie");
    EXPECT_EQ(router.requests.back().oid, mib::Cell(mib::kIfOutNUcast, 5));

    // And quits, which saves once more.
    rig.window->Exit1Click();
    rig.window.reset();
    EXPECT_EQ(Contents(rig.SettingsPath()), before);
    EXPECT_EQ(QDir(rig.home.path() + "/Quillot").entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"ventrel.conf"});
    EXPECT_EQ(::umount2(folder.constData(), MNT_DETACH), 0);
}

}  // namespace
}  // namespace faults
