// Finding the user's manual: the places, their order, and what is passed over.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "shell/Viewdoc.h"
#include "tests/support/RecordingDesktop.h"

namespace {

class ManualOpener : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        for (const char* folder : {"start", "current", "program"}) QDir(root.path()).mkdir(folder);
        desktop.program = Path("program/ventrel");
        previous = QDir::currentPath();
        QDir::setCurrent(Path("current"));
    }
    void TearDown() override { QDir::setCurrent(previous); }

    QString Path(const QString& relative) const { return root.path() + "/" + relative; }
    void Put(const QString& relative) {
        QFile file(Path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    int Open(bool quiet = false) {
        return OpenManual("ventrel", Path("start").toStdString(), quiet);
    }

    QTemporaryDir root;
    TRecordingDesktop desktop;
    QString previous;
};

TEST(JoinPath, Separators) {
    struct {
        const char* directory;
        const char* path;
    } const cases[] = {
#ifdef _WIN32
        {"C:\\Program Files\\Ventrel", "C:\\Program Files\\Ventrel\\ventrel.html"},
        {"C:\\", "C:\\ventrel.html"},
        {"C:", "C:ventrel.html"},
#else
        {"/opt/ventrel", "/opt/ventrel/ventrel.html"},
        {"/", "/ventrel.html"},
        {"/opt/", "/opt/ventrel.html"},
#endif
        {"", "ventrel.html"},
    };
    for (const auto& c : cases) EXPECT_EQ(JoinPath(c.directory, "ventrel.html"), c.path);
}

TEST_F(ManualOpener, BesideTheProgramHoweverItsPathIsSpelled) {
    Put("program/ventrel.html");
    const QString manual = QFileInfo(Path("program/ventrel.html")).canonicalFilePath();
    struct {
        const char* name;
        QString program;
    } const cases[] = {
        {"as Qt gives it, with '/' on every platform", Path("program/ventrel.exe")},
        {"in the platform's own separators", QDir::toNativeSeparators(Path("program/ventrel.exe"))},
    };
    for (const auto& c : cases) {
        desktop.program = c.program;
        desktop.opened.clear();
        EXPECT_EQ(Open(true), 1) << c.name;
        EXPECT_EQ(QFileInfo(desktop.opened.value(0)).canonicalFilePath(), manual) << c.name;
    }
}

TEST_F(ManualOpener, HtmlBeforeHtmInTheStartDirectory) {
    Put("start/ventrel.html");
    Put("start/ventrel.htm");
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(desktop.opened, QStringList{Path("start/ventrel.html")});
}

TEST_F(ManualOpener, TheStartDirectoryComesBeforeTheProgramsDirectory) {
    Put("start/ventrel.htm");
    Put("program/ventrel.html");
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(desktop.opened, QStringList{Path("start/ventrel.htm")});
}

TEST_F(ManualOpener, ThenTheCurrentDirectoryThenBesideTheProgram) {
    Put("current/ventrel.htm");
    Put("program/ventrel.html");
    EXPECT_EQ(Open(), 1);
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_TRUE(desktop.opened[0].endsWith("ventrel.htm")) << desktop.opened[0].toStdString();

    QFile::remove(Path("current/ventrel.htm"));
    desktop.opened.clear();
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(desktop.opened, QStringList{Path("program/ventrel.html")});
}

TEST_F(ManualOpener, AFolderNamedLikeTheManualIsPassedOver) {
    QDir(Path("start")).mkdir("ventrel.html");
    Put("program/ventrel.htm");
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(desktop.opened, QStringList{Path("program/ventrel.htm")});
}

TEST_F(ManualOpener, NoManualAnywhere) {
    EXPECT_EQ(Open(), 0);
    EXPECT_TRUE(desktop.opened.isEmpty());
    EXPECT_EQ(desktop.messages, QStringList{"error: Unable to find documentation"});
    EXPECT_EQ(Open(true), 0);
    EXPECT_EQ(desktop.messages.size(), 1) << "quiet says nothing";
}

TEST_F(ManualOpener, PathsBeyondTheLimitAreRefused) {
    EXPECT_EQ(OpenIfExists(std::string(1024, 'x')), 0);
    desktop.program = QString(1100, 'p') + "/ventrel";
    EXPECT_EQ(Open(true), 0);
}

}  // namespace
