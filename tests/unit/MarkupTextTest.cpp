// Joining a label's lines into one text, the byte limits, and the program's
// two help texts laid out with fixed metrics.
#include <gtest/gtest.h>

#include "tests/support/FixedCanvas.h"
#include "widgets/Markup.h"

namespace {

const QStringList kWaitingLines{
    "Waiting for SNMP packets to be received...<br><br>",
    "If no SNMP packets are received, then use the <Setup> ",
    "button to verify your router settings are correct.",
};

TEST(JoinLines, JoinsWithOneSpaceUnlessWhiteSpaceEndsTheText) {
    struct {
        const char* name;
        QStringList lines;
        QByteArray joined;
    } const cases[] = {
        {"none", {}, ""},
        {"one", {"abc"}, "abc"},
        {"full stop", {"for SNMP traffic.", "Make sure"}, "for SNMP traffic. Make sure"},
        {"trailing space", {"a ", "b"}, "a b"},
        {"trailing tab", {"a\t", "b"}, "a\tb"},
        {"trailing newline", {"a\r\n", "b"}, "a\r\nb"},
        {"empty line", {"a", "", "b"}, "a b"},
        {"leading empty lines", {"", "", "a"}, "a"},
        {"high byte is no blank", {"caf\u00e9", "b"}, QString("caf\u00e9 b").toLocal8Bit()},
        {"waiting text", kWaitingLines,
         "Waiting for SNMP packets to be received...<br><br> If no SNMP packets are received, "
         "then use the <Setup> button to verify your router settings are correct."},
    };
    for (const auto& c : cases) EXPECT_EQ(JoinLines(c.lines), c.joined) << c.name;
}

TEST(JoinLines, CutsAtTheJoinedLimit) {
    const QStringList lines(40, QString(1000, 'x'));
    const QByteArray joined = JoinLines(lines);
    EXPECT_EQ(joined.size(), kJoinedLimit);
    EXPECT_EQ(joined.left(1001), QByteArray(1000, 'x') + ' ');
    EXPECT_EQ(JoinLines({"abcdef", "gh"}, 8), "abcdef g");
}

TEST(CutText, KeepsWholeCharacters) {
    struct {
        QByteArray text;
        qsizetype limit;
        QByteArray cut;
    } const cases[] = {
        {"abc", 5, "abc"},
        {"abc", 3, "abc"},
        {"abcd", 3, "abc"},
        {"a\xc3\xa9z", 2, "a"},  // é would be split
        {"a\xc3\xa9z", 3, "a\xc3\xa9"},
        {"a\xe2\x82\xac", 3, "a"},                            // € would be split after two bytes
        {"\x80\x80\x80\x80\x80\x80", 4, "\x80\x80\x80\x80"},  // not UTF-8: the byte limit
        {"abc", 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CutText(c.text, c.limit), c.cut)
            << c.text.toHex().toStdString() << " " << c.limit;
}

TEST(MarkupText, WaitingTextLaysOutInParagraphs) {
    TFixedCanvas canvas;
    TMarkup markup;
    markup.Width = 366;
    markup.WordWrap = 1;
    markup.LineTags = true;
    markup.FDrawing = 1;
    markup.ProcessCaption(canvas, JoinLines(kWaitingLines), QFont(), Qt::black);

    ASSERT_FALSE(canvas.runs.empty());
    EXPECT_EQ(canvas.runs.front().at, QPoint(0, 0));
    int lastY = -1;
    for (const TDrawnText& run : canvas.runs) {
        EXPECT_LE(run.at.x() + 6 * run.text.size(), 366) << run.text.toStdString();
        EXPECT_GE(run.at.y(), lastY);
        lastY = run.at.y();
        if (run.text == "If") {
            EXPECT_EQ(run.at, QPoint(0, 22));  // one empty line, no leading space
        }
        if (run.text.startsWith('<')) {
            EXPECT_EQ(run.text, "<Setup>");
        }
    }
    EXPECT_EQ(canvas.runs.back().text, "correct.");
    EXPECT_EQ(canvas.runs.back().at.y(), 33);  // the second paragraph wraps once
}

TEST(MarkupText, PlainTextIsWhatIsDrawnWithoutTags) {
    struct {
        const char* name;
        QByteArray text;
        bool lineTags;
        QString plain;
    } const cases[] = {
        {"waiting text", JoinLines(kWaitingLines), true,
         "Waiting for SNMP packets to be received...\n\nIf no SNMP packets are received, then "
         "use the <Setup> button to verify your router settings are correct."},
        {"style tags go, an unknown one stays", "<b>bold</b> <I>it</I> <blue>x</blue> <em>", false,
         "bold it x <em>"},
        {"a break, a paragraph", "a<br>b<p>c", true, "a\nb\n\nc"},
        {"line tags are text in a one-line label", "a<br>b", false, "a<br>b"},
        {"breaks before the first run move nothing", "<br><p>a", true, "a"},
        {"spaces at either end", "  a  b <br> ", true, "a  b"},
        {"the locale's encoding", QString("caf\u00e9").toLocal8Bit(), false, "caf\u00e9"},
    };
    for (const auto& c : cases) EXPECT_EQ(MarkupPlainText(c.text, c.lineTags), c.plain) << c.name;
}

}  // namespace
