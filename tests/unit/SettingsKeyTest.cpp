// The settings store on a private XDG_CONFIG_HOME: seeding, hand-written
// files against what is read and what a save leaves, files QSettings wrote,
// the read capacity, files that are not ours, and the file's mode.
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
#include "router/SettingsText.h"

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

    void WriteFile(const QByteArray& contents, mode_t mode = 0600) { Write(file_, contents, mode); }

    static void Write(const QString& path, const QByteArray& contents, mode_t mode = 0600) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile::remove(path);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(contents), contents.size());
        f.close();
        ::chmod(QFile::encodeName(path).constData(), mode);
    }

    static QByteArray Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray ReadFile() const { return Read(file_); }

    static mode_t Mode(const QString& path) {
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0) return 0;
        return st.st_mode & 07777;
    }
    mode_t FileMode() const { return Mode(file_); }

    std::set<QString> StoredKeys() const {
        QSettings s(file_, QSettings::IniFormat);
        const QStringList keys = s.allKeys();
        return {keys.begin(), keys.end()};
    }

    // The restore password as the tray controller reads it.
    static std::string StoredPassword() {
        SettingsKey key;
        key.Open("ventrel", false);
        std::string password;
        key.ReadString("hidetask_password", "", password, kTextBufferSize);
        return password;
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

QByteArray RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    return bytes;
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
    EXPECT_EQ(ReadFile(),
              "[General]\nhostname=192.168.0.1\ncommunity=kelpie\ninterface=6\ntop=0\nleft=0\n");
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

enum class Place {
    File,            // the settings file itself
    LinkToSettings,  // a symlink to a settings file elsewhere, as dotfile managers make
    LinkToScript,    // a symlink to an executable script
};

struct THandWritten {
    const char* name;
    QByteArray contents;
    Place place;
    const char* host;  // what Load reads: nullptr for the defaults
    const char* community;
    const char* password;  // hidetask_password as the tray reads it
    QByteArray saved;      // the file after a Save of hostname 10.0.0.9; empty: as it was
};

TEST_F(SettingsStore, HandWrittenFilesAreReadAsTheyStandAndASaveChangesOnlyItsLines) {
    const QByteArray rest = "interface=6\ntop=0\nleft=0\n";
    QByteArray padded =
        "[General]\nhostname=10.1.1.1\ncommunity=public\ninterface=3\ntop=9\nleft=8\n";
    for (int i = 0; padded.size() < 60 * 1000; ++i) {
        padded += "; note " + QByteArray::number(i) + ": kept as it stands\nnote_" +
                  QByteArray::number(i) + "=a;b#c\n";
    }
    QByteArray nearLimit = "[General]\nhostname=10.1.1.1\n";
    nearLimit += QByteArray(SettingsKey::kMaxFileSize - nearLimit.size() - 10, ';') + '\n';
    QByteArray pastLimit = "[General]\nhostname=10.1.1.1\n";
    pastLimit += QByteArray(SettingsKey::kMaxFileSize, '#');

    const THandWritten cases[] = {
        {"semicolons and hashes belong to the value",
         "[General]\ncommunity=s3cr;et\nhostname = 10.1.1.1 \nhidetask_password=Blue;Heron#1\n",
         Place::File, "10.1.1.1", "s3cr;et", "Blue;Heron#1",
         "[General]\ncommunity=s3cr;et\nhostname = 10.0.0.9\nhidetask_password=Blue;Heron#1\n" +
             rest},
        {"a value wholly in quotes reads as QSettings reads it",
         "[General]\ncommunity=\"a;b, \\\"c\\\" \"\nhostname=\"  10.1.1.1\"\n", Place::File,
         "  10.1.1.1", "a;b, \"c\" ", "",
         "[General]\ncommunity=\"a;b, \\\"c\\\" \"\nhostname=10.0.0.9\n" + rest},
        {"a quote inside a value stands for itself",
         "[General]\nhidetask_password=\"Blue\" Heron\n", Place::File, nullptr, nullptr,
         "\"Blue\" Heron",
         "[General]\nhidetask_password=\"Blue\" Heron\nhostname=10.0.0.9\ncommunity=kelpie\n" +
             rest},
        {"comments, unknown keys and other sections are kept",
         "; Ventrel\n[General]\n# the office\nhostname=10.1.1.1\nlocale=de\n\n[Other]\n"
         "hostname=10.9.9.9\ncommunity=other\n",
         Place::File, "10.1.1.1", nullptr, "",
         "; Ventrel\n[General]\n# the office\nhostname=10.0.0.9\nlocale=de\ncommunity=kelpie\n" +
             rest + "\n[Other]\nhostname=10.9.9.9\ncommunity=other\n"},
        {"keys before any section are [General]'s", "hostname=10.1.1.1\n", Place::File, "10.1.1.1",
         nullptr, "", "hostname=10.0.0.9\ncommunity=kelpie\n" + rest},
        {"no [General] yet: it goes at the end", "[Other]\nx=1", Place::File, nullptr, nullptr, "",
         "[Other]\nx=1\n[General]\nhostname=10.0.0.9\ncommunity=kelpie\n" + rest},
        {"CRLF line ends, a key given twice: the last counts",
         "[General]\r\nhostname=10.2.2.2\r\nhostname=10.1.1.1\r\n", Place::File, "10.1.1.1",
         nullptr, "",
         "[General]\r\nhostname=10.2.2.2\r\nhostname=10.0.0.9\r\ncommunity=kelpie\r\n"
         "interface=6\r\ntop=0\r\nleft=0\r\n"},
        {"60 kB of comments and unknown keys", padded, Place::File, "10.1.1.1", "public", "",
         QByteArray(padded).replace("hostname=10.1.1.1", "hostname=10.0.0.9")},
        {"a save that would pass the read limit is not made",
         nearLimit,
         Place::File,
         "10.1.1.1",
         nullptr,
         "",
         {}},
        {"past the read limit", pastLimit, Place::File, nullptr, nullptr, "", {}},
        {"a symlink to a settings file", "[General]\nhostname=10.1.1.1\n", Place::LinkToSettings,
         "10.1.1.1", nullptr, "", "[General]\nhostname=10.0.0.9\ncommunity=kelpie\n" + rest},
        {"a symlink to a script",
         "#!/bin/sh\nhostname=10.6.6.6\n",
         Place::LinkToScript,
         nullptr,
         nullptr,
         "",
         {}},
        {"binary",
         "[General]\nhostname=10.1.1.1\n" + RandomBytes(4000, 7),
         Place::File,
         nullptr,
         nullptr,
         "",
         {}},
        {"a line we cannot read is kept as it stands, the rest read",
         "[General]\nhidetask_usepassword=1\nhostnme 10.1.1.1\nhidetask_password=Heron\n",
         Place::File, nullptr, nullptr, "Heron",
         "[General]\nhidetask_usepassword=1\nhostnme 10.1.1.1\nhidetask_password=Heron\n"
         "hostname=10.0.0.9\ncommunity=kelpie\n" +
             rest},
        {"lines we cannot read, and nothing else", "[General\n=\n==x\n\\\n[\n]]]\nhost name\n",
         Place::File, nullptr, nullptr, "",
         "[General\n=\n==x\n\\\n[\n]]]\nhost name\n[General]\nhostname=10.0.0.9\n"
         "community=kelpie\n" +
             rest},
        {"control characters: not text",
         "[General]\nhostname=10.1.1.1\n\x1b[2J\n",
         Place::File,
         nullptr,
         nullptr,
         "",
         {}},
    };
    for (const THandWritten& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(file_);
        QString written = file_;
        mode_t mode = 0600;
        if (c.place == Place::LinkToSettings) {
            written = dir_.path() + "/dotfiles/ventrel.conf";
            mode = 0644;
        } else if (c.place == Place::LinkToScript) {
            written = dir_.path() + "/bin/tool";
            mode = 0755;
        }
        Write(written, c.contents, mode);
        if (written != file_) {
            ASSERT_TRUE(QDir().mkpath(dir_.path() + "/Quillot"));
            ASSERT_TRUE(QFile::link(written, file_));
        }

        TCiscoConfig config;
        config.Load();
        EXPECT_EQ(config.hostname, c.host ? c.host : "192.168.0.1");
        EXPECT_EQ(config.community, c.community ? c.community : "kelpie");
        EXPECT_EQ(StoredPassword(), c.password);
        config.hostname = "10.0.0.9";
        config.Save();

        const QByteArray after = Read(written);
        EXPECT_EQ(after, c.saved.isEmpty() ? c.contents : c.saved);
        if (after != c.contents) {
            EXPECT_LE(after.size(), SettingsKey::kMaxFileSize) << "a file we would not read";
        }
        if (written != file_) {
            EXPECT_TRUE(QFileInfo(file_).isSymLink()) << "the link is kept";
            // Our own settings file is made private; a script keeps its mode.
            EXPECT_EQ(Mode(written), c.place == Place::LinkToSettings ? 0600u : mode);
        }
    }
}

// Files written by the version before, through QSettings, read the same;
// and every text we write reads back exactly, here and in QSettings.
TEST_F(SettingsStore, TextsReadTheSameByUsAndByQSettings) {
    const std::string texts[] = {
        "s3cr;et",
        "a#b",
        " lead",
        "trail ",
        "in  ner",
        "q\"uote\"",
        "\"quoted\"",
        "back\\slash",
        "C:\\temp",
        "@at",
        "@@twice",
        "@Invalid()",
        "tab\there",
        "K\xC3\xBC"
        "che",
        "a,b, c",
        "x=y",
        "",
        "\x01"
        "1f",
        "del\x7f",
        "trailing\\",
        std::string(kMaxText, 'c'),
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        QFile::remove(file_);
        ASSERT_TRUE(QDir().mkpath(dir_.path() + "/Quillot"));
        {
            QSettings theirs(file_, QSettings::IniFormat);
            theirs.setValue("community", QString::fromStdString(text));
        }
        TCiscoConfig config;
        config.Load();
        EXPECT_EQ(config.community, text) << "as QSettings wrote it: " << ReadFile().constData();

        QFile::remove(file_);
        config.community = text;
        config.Save();
        TCiscoConfig again;
        again.Load();
        EXPECT_EQ(again.community, text) << "as we wrote it: " << ReadFile().constData();
        QSettings theirs(file_, QSettings::IniFormat);
        EXPECT_EQ(theirs.value("community").toString().toStdString(), text)
            << "as we wrote it: " << ReadFile().constData();
    }
}

// Whatever a value holds, the line written for it reads back as it, and the
// file stays one we read.
TEST(SettingsText, EveryValueWrittenReadsBackExactly) {
    const QString alphabet =
        QString::fromUtf8("a \t\"\\;,=#@[]0fx\x01\x7f\n\r\xC3\xBC\xE2\x82\xAC") + QChar(0);
    std::mt19937 random(13);
    for (int round = 0; round < 5000; ++round) {
        QString value;
        const auto length = random() % 12;
        for (unsigned i = 0; i < length; ++i)
            value += alphabet[static_cast<qsizetype>(random() %
                                                     static_cast<std::uint32_t>(alphabet.size()))];
        TSettingsText text("; mine\n[General]\nx=1\n[Other]\ncommunity=other\n");
        ASSERT_TRUE(text.SetValue("community", value) || value.isEmpty());
        const TSettingsText again(text.Bytes());
        ASSERT_TRUE(again.IsSettings()) << text.Bytes().constData();
        ASSERT_EQ(again.Value("community"), value) << text.Bytes().constData();
        ASSERT_EQ(again.Value("x"), "1");
    }
}

TEST_F(SettingsStore, StoredNumbers) {
    struct Case {
        const char* stored;
        int expected;
    };
    const Case cases[] = {
        {"3", 3},           {"-2", -2},         {"abc", 6}, {"7x", 6},    {"", 6},
        {"4294967295", -1}, {"99999999999", 6}, {" 4 ", 4}, {"\"5\"", 5},
    };
    for (const Case& c : cases) {
        WriteFile(QByteArray("[General]\ninterface=") + c.stored + "\n");
        TCiscoConfig config;
        config.Load();
        EXPECT_EQ(config.selectedInterface, c.expected) << c.stored;
    }
}

TEST_F(SettingsStore, ATextLongerThanTheBufferIsCutToItsFirst1023Bytes) {
    struct Case {
        std::string stored;
        std::string read;
    };
    const std::string e = "\xC3\xA9";  // é, two bytes
    const Case cases[] = {
        {std::string(1022, 'h'), std::string(1022, 'h')},
        {std::string(1023, 'h'), std::string(1023, 'h')},
        {std::string(1024, 'h'), std::string(1023, 'h')},
        {std::string(5000, 'h'), std::string(1023, 'h')},
        {std::string(1022, 'h') + e, std::string(1022, 'h')},  // é would be split: it goes whole
        {std::string(1021, 'h') + e, std::string(1021, 'h') + e},
    };
    for (const Case& c : cases) {
        WriteFile(QByteArray("[General]\nhostname=") + c.stored.c_str() + "\n");
        TCiscoConfig config;
        config.Load();
        EXPECT_EQ(config.hostname, c.read) << c.stored.size();
    }
}

TEST_F(SettingsStore, ASymlinkToAnotherUsersFileIsWrittenInPlaceWithItsOwnerAndMode) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the file to another user";
    const QString target = dir_.path() + "/shared/ventrel.conf";
    Write(target, "[General]\nhostname=10.1.1.1\n", 0664);
    ASSERT_EQ(::chown(QFile::encodeName(target).constData(), 65534, 65534), 0);
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/Quillot"));
    ASSERT_TRUE(QFile::link(target, file_));
    TCiscoConfig config;
    config.Load();
    EXPECT_EQ(config.hostname, "10.1.1.1");
    config.hostname = "10.0.0.9";
    config.Save();
    EXPECT_EQ(Read(target),
              "[General]\nhostname=10.0.0.9\ncommunity=kelpie\ninterface=6\ntop=0\nleft=0\n");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
}

TEST_F(SettingsStore, WhatAnotherCopySavedMeanwhileStays) {
    WriteFile("[General]\nhostname=10.1.1.1\n");
    SettingsKey key;
    key.Open("ventrel");
    WriteFile("[General]\nhostname=10.1.1.1\nhidetask_usepassword=1\n");  // the other copy
    key.WriteString("community", "walrus");
    key.Close();
    EXPECT_EQ(ReadFile(),
              "[General]\nhostname=10.1.1.1\nhidetask_usepassword=1\ncommunity=walrus\n");
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
