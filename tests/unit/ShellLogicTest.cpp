// The shell's plain logic: dialog placement, password comparison and text
// limits.
#include <gtest/gtest.h>

#include <QString>

#include "shell/Formutil.h"
#include "shell/Hidetask.h"
#include "shell/Strconv.h"
#include "snmp/Strutil.h"

namespace {

struct PlaceCase {
    const char* name;
    QRect owner;
    QSize dialog;
    QPoint expected;
};

TEST(PlaceDialog, Arithmetic) {
    const QSize screen(1024, 768);
    const PlaceCase cases[] = {
        {"centred", {100, 100, 400, 150}, {200, 100}, {200, 125}},
        {"21 taller: division truncates toward zero", {300, 300, 400, 100}, {200, 121}, {400, 290}},
        {"same width: 15 to the right", {100, 100, 400, 150}, {400, 100}, {115, 125}},
        {"width differs by exactly 10: not moved", {100, 100, 400, 150}, {390, 100}, {105, 125}},
        {"same height: 15 down", {100, 100, 400, 150}, {200, 145}, {200, 117}},
        {"negative clamped to 0", {0, 0, 100, 50}, {300, 200}, {0, 0}},
        {"bottom kept 50 above the screen's edge", {100, 600, 400, 150}, {200, 100}, {200, 618}},
        {"taller than the screen: negative top", {100, 100, 400, 150}, {200, 800}, {200, -82}},
        {"right edge touches the screen's", {900, 100, 400, 150}, {200, 100}, {824, 125}},
    };
    for (const auto& c : cases) {
        QRect placed = PlaceDialogRect(c.owner, c.dialog, screen);
        EXPECT_EQ(placed.topLeft(), c.expected) << c.name;
        EXPECT_EQ(placed.size(), c.dialog) << c.name;
    }
}

TEST(Password, LettersCompareWithoutCase) {
    const struct {
        const char* entered;
        const char* stored;
        bool same;
    } cases[] = {
        {"secret", "secret", true},
        {"SeCrEt", "secret", true},
        {"secret", "SECRET", true},
        {"secret", "secret1", false},
        {"secret1", "secret", false},
        {"", "", true},
        {"x", "", false},
        {"a1!", "A1!", true},
        {"1", "!", false},
        {"[", "{", false},                // only letters fold: '[' and '{' differ by 32 too
        {"\xC3\xA9", "\xC3\x89", false},  // é and É: bytes outside a-z compare exactly
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SamePassword(c.entered, c.stored), c.same) << c.entered << " / " << c.stored;
    }
}

TEST(Strconv, TextIsCutAt1023BytesOnACharacterBoundary) {
    EXPECT_EQ(TextToBuffer("192.168.0.1"), "192.168.0.1");
    EXPECT_EQ(TextToBuffer(""), "");
    EXPECT_EQ(TextToBuffer(QString(1023, 'a')).size(), 1023u);
    EXPECT_EQ(TextToBuffer(QString(2000, 'a')).size(), 1023u);
    // 1022 ASCII characters and an e with an acute accent: in UTF-8 it takes
    // two bytes and would end at byte 1024, so it is left out whole; in a
    // Windows code page it takes one and fits.
    const std::size_t accent = static_cast<std::size_t>(QString(QChar(0xE9)).toLocal8Bit().size());
    EXPECT_EQ(TextToBuffer(QString(1022, 'a') + QChar(0xE9)).size(), accent == 1 ? 1023u : 1022u);
    EXPECT_EQ(TextToBuffer(QString(1021, 'a') + QChar(0xE9)).size(), 1021u + accent);
    // Bytes that are no UTF-8 are cut at the limit: a long stored password
    // never comes out empty.
    EXPECT_EQ(CutText(std::string(2000, '\x80'), 1023).size(), 1023u);
}

}  // namespace
