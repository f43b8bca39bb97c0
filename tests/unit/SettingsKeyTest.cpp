// The settings store on a private XDG_CONFIG_HOME: seeding, fallbacks, the
// read capacity, broken files, and the file's mode.
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <random>
#include <set>

#include "router/Routerconf.h"
#include "router/SettingsKey.h"

namespace {

// A fresh, empty configuration folder for one test.
class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        // Let a file owner other than us (see AsOtherUser) reach the folder.
        ::chmod(QFile::encodeName(dir_.path()).constData(), 0755);
        ASSERT_TRUE(qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path())));
        file_ = dir_.path() + "/Quillot/ventrel.conf";
        ASSERT_EQ(SettingsKey::FileName("ventrel"), file_);
    }

    void WriteFile(const QByteArray& contents, mode_t mode = 0600) {
        ASSERT_TRUE(QDir().mkpath(dir_.path() + "/Quillot"));
        QFile f(file_);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(contents), contents.size());
        f.close();
        ::chmod(QFile::encodeName(file_).constData(), mode);
    }

    QByteArray ReadFile() const {
        QFile f(file_);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    mode_t FileMode() const {
        struct stat st {};
        if (::stat(QFile::encodeName(file_).constData(), &st) != 0) return 0;
        return st.st_mode & 07777;
    }

    std::set<QString> StoredKeys() const {
        QSettings s(file_, QSettings::IniFormat);
        const QStringList keys = s.allKeys();
        return {keys.begin(), keys.end()};
    }

    QTemporaryDir dir_;
    QString file_;
};

void ExpectDefaults(const TCiscoConfig& c) {
    EXPECT_EQ(c.hostname, "192.168.0.1");
    EXPECT_EQ(c.community, "kelpie");
    EXPECT_EQ(c.selectedInterface, 6);
    EXPECT_EQ(c.top, 0);
    EXPECT_EQ(c.left, 0);
}

// Root reads and writes anything; for the tests of files we may not touch,
// file access runs as "nobody" meanwhile.
class AsOtherUser {
public:
    AsOtherUser() : root_(::geteuid() == 0) {
        if (root_) ::setfsuid(65534);
    }
    ~AsOtherUser() {
        if (root_) ::setfsuid(0);
    }
    AsOtherUser(const AsOtherUser&) = delete;
    AsOtherUser& operator=(const AsOtherUser&) = delete;

private:
    bool root_;
};

TEST_F(SettingsStore, FirstStartSeedsExactlyTheFiveDefaults) {
    TCiscoConfig config;
    config.Load();
    ExpectDefaults(config);
    EXPECT_EQ(StoredKeys(),
              (std::set<QString>{"hostname", "community", "interface", "top", "left"}));
    // Hand-editable: the values are entries of [General].
    QByteArray text = ReadFile();
    EXPECT_TRUE(text.startsWith("[General]\n")) << text.constData();
    for (const char* line :
         {"hostname=192.168.0.1\n", "community=kelpie\n", "interface=6\n", "top=0\n", "left=0\n"}) {
        EXPECT_TRUE(text.contains(line)) << line;
    }
    EXPECT_EQ(FileMode(), 0600u);
}

TEST_F(SettingsStore, LaterStartTakesWhatIsStoredAndWritesNothing) {
    const QByteArray stored = "[General]\ncommunity=public\n";
    WriteFile(stored);
    TCiscoConfig config;
    config.Load();
    EXPECT_EQ(config.community, "public");
    EXPECT_EQ(config.hostname, "192.168.0.1");
    EXPECT_EQ(config.selectedInterface, 6);
    EXPECT_EQ(ReadFile(), stored);
}

TEST_F(SettingsStore, SaveWritesAllFiveAndLoadReadsThemBack) {
    TCiscoConfig config;
    config.Load();
    config.hostname = "10.1.2.3:1161";
    config.community =
        "a=b;c,d \"q\" \\ #x K\xC3\xBC"
        "che";
    config.selectedInterface = 2;
    config.top = -40;
    config.left = 1280;
    config.Save();
    EXPECT_EQ(StoredKeys(),
              (std::set<QString>{"hostname", "community", "interface", "top", "left"}));
    EXPECT_EQ(FileMode(), 0600u);

    TCiscoConfig again;
    again.Load();
    EXPECT_EQ(again.hostname, config.hostname);
    EXPECT_EQ(again.community, config.community);
    EXPECT_EQ(again.selectedInterface, 2);
    EXPECT_EQ(again.top, -40);
    EXPECT_EQ(again.left, 1280);
}

TEST_F(SettingsStore, HandWrittenValuesOfTheTrayController) {
    struct Case {
        const char* line;
        const char* password;
        int usePassword;
    };
    const Case cases[] = {
        {"hidetask_password=secret\nhidetask_usepassword=1\n", "secret", 1},
        {"hidetask_password=\"with space, and comma\"\n", "with space, and comma", 0},
        {"hidetask_password=sec,ret\nhidetask_usepassword=yes\n", "sec,ret", 0},
        {"hidetask_usepassword= 1 \n", "", 1},
        {"", "", 0},
    };
    for (const Case& c : cases) {
        WriteFile(QByteArray("[General]\n") + c.line);
        SettingsKey key;
        key.Open("ventrel");
        EXPECT_FALSE(key.created);
        std::string password = "junk";
        key.ReadString("hidetask_password", "", password, 1024);
        EXPECT_EQ(password, c.password) << c.line;
        EXPECT_EQ(key.ReadInteger("hidetask_usepassword", 0), c.usePassword) << c.line;
        EXPECT_EQ(key.ReadInteger("hidetask_usebosskey", 0), 0) << c.line;
        key.Close();
    }
}

TEST_F(SettingsStore, StoredNumbers) {
    struct Case {
        const char* stored;
        int expected;
    };
    const Case cases[] = {
        {"3", 3}, {"-2", -2},         {"abc", 6},         {"7x", 6},
        {"", 6},  {"4294967295", -1}, {"99999999999", 6},
    };
    for (const Case& c : cases) {
        WriteFile(QByteArray("[General]\ninterface=") + c.stored + "\n");
        TCiscoConfig config;
        config.Load();
        EXPECT_EQ(config.selectedInterface, c.expected) << c.stored;
    }
}

TEST_F(SettingsStore, TextsMustFitTheReadCapacity) {
    struct Case {
        int length;
        bool fits;
    };
    // A 1024-byte buffer reads 1023 bytes: a text and its terminating zero.
    const Case cases[] = {{1021, true}, {1022, true}, {1023, false}, {5000, false}};
    for (const Case& c : cases) {
        std::string stored(static_cast<std::size_t>(c.length), 'h');
        WriteFile(QByteArray("[General]\nhostname=") + stored.c_str() + "\n");
        TCiscoConfig config;
        config.Load();
        EXPECT_EQ(config.hostname, c.fits ? stored : "192.168.0.1") << c.length;
    }
}

TEST_F(SettingsStore, BrokenFilesLeaveTheDefaultsAndAreNotDestroyed) {
    std::mt19937 random(7);
    QByteArray binary(4000, '\0');
    for (char& b : binary) b = static_cast<char>(random());
    // Valid on its face, but past the size we read.
    QByteArray huge = "[General]\nhostname=10.9.9.9\n";
    huge += QByteArray(SettingsKey::kMaxFileSize, '#');

    struct Case {
        const char* name;
        QByteArray contents;
        bool rewritable;  // Save may replace it: there was nothing to keep
    };
    const Case cases[] = {
        {"garbage text", "[General\n=\n==x\n\\\n[\n]]]\nhost name\n", true},
        {"binary", binary, true},
        {"oversized", huge, false},
    };
    for (const Case& c : cases) {
        WriteFile(c.contents);
        TCiscoConfig config;
        config.Load();
        ExpectDefaults(config);
        config.hostname = "127.0.0.1:16161";
        config.Save();
        TCiscoConfig again;
        again.Load();
        if (c.rewritable) {
            EXPECT_EQ(again.hostname, "127.0.0.1:16161") << c.name;
        } else {
            EXPECT_EQ(ReadFile(), c.contents) << c.name;
            ExpectDefaults(again);
        }
    }
}

TEST_F(SettingsStore, AFolderInPlaceOfTheFileIsLeftAlone) {
    ASSERT_TRUE(QDir().mkpath(file_ + "/inner"));
    TCiscoConfig config;
    config.Load();
    ExpectDefaults(config);
    config.Save();
    EXPECT_TRUE(QFileInfo(file_ + "/inner").isDir());
}

TEST_F(SettingsStore, UnreadableFileKeepsDefaultsAndIsNotOverwritten) {
    const QByteArray stored = "[General]\nhostname=10.0.0.7\n";
    WriteFile(stored, 0000);
    ::chmod(QFile::encodeName(dir_.path() + "/Quillot").constData(), 0777);
    {
        AsOtherUser other;
        TCiscoConfig config;
        config.Load();
        ExpectDefaults(config);
        config.Save();
    }
    EXPECT_EQ(ReadFile(), stored);
}

TEST_F(SettingsStore, ReadOnlyFolderKeepsDefaults) {
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/Quillot"));
    ::chmod(QFile::encodeName(dir_.path() + "/Quillot").constData(), 0555);
    {
        AsOtherUser other;
        SettingsKey key;
        key.Open("ventrel");
        std::string host;
        key.ReadString("hostname", "192.168.0.1", host, 1024);
        EXPECT_EQ(host, "192.168.0.1");
        EXPECT_EQ(key.ReadInteger("interface", 6), 6);
        key.WriteString("hostname", "10.0.0.1");
        key.Close();
    }
    EXPECT_FALSE(QFileInfo::exists(file_));
}

TEST_F(SettingsStore, AWiderFileIsMadePrivate) {
    for (mode_t mode : {0644u, 0666u, 0604u, 0700u}) {
        WriteFile("[General]\nhidetask_password=secret\n", mode);
        SettingsKey key;
        key.Open("ventrel");
        EXPECT_EQ(FileMode(), 0600u) << std::oct << mode;
        key.Close();
        TCiscoConfig config;
        config.Save();
        EXPECT_EQ(FileMode(), 0600u) << std::oct << mode;
    }
}

}  // namespace
