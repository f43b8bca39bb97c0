// The markup layout pass against fixed metrics: where each run lands and in
// which font and colour.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/FixedCanvas.h"
#include "widgets/Markup.h"

namespace {

struct TExpectedRun {
    int x;
    int y;
    const char* text;
    const char* style;  // b bold, i italic, u underline, s strike-out, B blue
};

struct TPassOptions {
    int width = 1000;
    int wordWrap = 0;
    bool lineTags = false;
    QPoint origin;
};

const QColor kFontColor(0, 128, 0);

std::string Style(const TDrawnText& drawn) {
    std::string style;
    if (drawn.font.bold()) style += 'b';
    if (drawn.font.italic()) style += 'i';
    if (drawn.font.underline()) style += 'u';
    if (drawn.font.strikeOut()) style += 's';
    if (drawn.color == QColor(0, 0, 255))
        style += 'B';
    else if (drawn.color != kFontColor)
        style += '?';
    return style;
}

TMarkup Pass(TFixedCanvas& canvas, const QByteArray& text, const TPassOptions& options = {}) {
    TMarkup markup;
    markup.Width = options.width;
    markup.WordWrap = options.wordWrap;
    markup.LineTags = options.lineTags;
    markup.FOrigin = options.origin;
    markup.FDrawing = 1;
    markup.ProcessCaption(canvas, text, QFont(), kFontColor);
    return markup;
}

struct TLayoutCase {
    const char* name;
    const char* text;
    TPassOptions options;
    std::vector<TExpectedRun> runs;
};

void PrintTo(const TLayoutCase& c, std::ostream* os) { *os << c.name; }

class MarkupLayout : public testing::TestWithParam<TLayoutCase> {};

TEST_P(MarkupLayout, PlacesRuns) {
    const TLayoutCase& c = GetParam();
    TFixedCanvas canvas;
    Pass(canvas, c.text, c.options);
    ASSERT_EQ(canvas.runs.size(), c.runs.size());
    for (std::size_t i = 0; i < c.runs.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "run " << i);
        const TDrawnText& got = canvas.runs[i];
        EXPECT_EQ(got.text.toStdString(), c.runs[i].text);
        EXPECT_EQ(got.at, QPoint(c.runs[i].x, c.runs[i].y));
        EXPECT_EQ(Style(got), c.runs[i].style);
    }
}

constexpr TPassOptions kWrap30{30, 1, false, {}};
constexpr TPassOptions kWrap20{20, 1, false, {}};
constexpr TPassOptions kLines{1000, 0, true, {}};
constexpr TPassOptions kLinesWrap20{20, 1, true, {}};

INSTANTIATE_TEST_SUITE_P(
    Cases, MarkupLayout,
    testing::Values(
        TLayoutCase{"CapitalTags",
                    "<B>ab</B> <I>c</i> <U>d</U> <STRIKE>e</Strike> <HyPeR>f</HYPER>",
                    {},
                    {{0, 0, "ab", "b"},
                     {20, 0, "c", "i"},
                     {32, 0, "d", "u"},
                     {44, 0, "e", "s"},
                     {56, 0, "f", "uB"}}},
        TLayoutCase{
            "UnknownTagIsText",
            "use the <Setup> button",
            {},
            {{0, 0, "use", ""}, {24, 0, "the", ""}, {48, 0, "<Setup>", ""}, {96, 0, "button", ""}}},
        TLayoutCase{"TagWithBlankIsText",
                    "<b >x< b>y",
                    {},
                    {{0, 0, "<b", ""}, {18, 0, ">x<", ""}, {42, 0, "b>y", ""}}},
        TLayoutCase{"BoldInsideWordIsThreeRuns",
                    "ab<b>cd</b>ef",
                    {},
                    {{0, 0, "ab", ""}, {12, 0, "cd", "b"}, {26, 0, "ef", ""}}},
        TLayoutCase{"WordMayBreakAtTag",
                    "ab<b>cd</b>ef",
                    {30, 1, false, {}},
                    {{0, 0, "ab", ""}, {12, 0, "cd", "b"}, {0, 14, "ef", ""}}},
        TLayoutCase{"LeadingSpacesDroppedDoubleSpaceKept",
                    "  a  b",
                    {},
                    {{0, 0, "a", ""}, {18, 0, "b", ""}}},
        TLayoutCase{"WrapAtRightEdge",
                    "aaa bbb ccc",
                    kWrap30,
                    {{0, 0, "aaa", ""}, {0, 11, "bbb", ""}, {0, 22, "ccc", ""}}},
        TLayoutCase{"RunThatJustFits", "aa aa", kWrap30, {{0, 0, "aa", ""}, {18, 0, "aa", ""}}},
        TLayoutCase{"NoWrapOneLine",
                    "aaa bbb ccc",
                    {30, 0, false, {}},
                    {{0, 0, "aaa", ""}, {24, 0, "bbb", ""}, {48, 0, "ccc", ""}}},
        TLayoutCase{"WideFirstRunStaysOnFirstLine",
                    "aaaaaaaa b",
                    kWrap20,
                    {{0, 0, "aaaaaaaa", ""}, {0, 11, "b", ""}}},
        TLayoutCase{"WideRunMovesDownAndPushesTheNext",
                    "x aaaaaaaa b",
                    kWrap20,
                    {{0, 0, "x", ""}, {0, 11, "aaaaaaaa", ""}, {0, 22, "b", ""}}},
        TLayoutCase{"LineStepIsTallestSoFar",
                    "<b>BB</b> aaa ccc",
                    kWrap20,
                    {{0, 0, "BB", "b"}, {0, 14, "aaa", ""}, {0, 28, "ccc", ""}}},
        TLayoutCase{"LineStepGrowsWithALaterTallRun",
                    "aaa <b>BB</b> ccc",
                    kWrap20,
                    {{0, 0, "aaa", ""}, {0, 11, "BB", "b"}, {0, 25, "ccc", ""}}},
        TLayoutCase{"HyperInsideBlueLeavesBlue",
                    "<blue>a<hyper>b</hyper>c</blue>d",
                    {},
                    {{0, 0, "a", "B"}, {6, 0, "b", "uB"}, {12, 0, "c", "B"}, {18, 0, "d", "B"}}},
        TLayoutCase{"HyperEndsUnderline",
                    "<u>a<hyper>b</hyper>c</u>d",
                    {},
                    {{0, 0, "a", "u"}, {6, 0, "b", "uB"}, {12, 0, "c", ""}, {18, 0, "d", ""}}},
        TLayoutCase{"ClosingColourFirstGivesFontColour",
                    "</blue>a</hyper>b<blue>c</blue>d",
                    {},
                    {{0, 0, "a", ""}, {6, 0, "b", ""}, {12, 0, "c", "B"}, {18, 0, "d", ""}}},
        TLayoutCase{
            "StylesAreFlagsNotAStack", "<b><b>a</b>b", {}, {{0, 0, "a", "b"}, {7, 0, "b", ""}}},
        TLayoutCase{
            "LineTagsAreTextInTheSingleLabel", "a<br>b<p>c", {}, {{0, 0, "a<br>b<p>c", ""}}},
        TLayoutCase{"BreakAndParagraph",
                    "a<br>b<P>c<BR>d",
                    kLines,
                    {{0, 0, "a", ""}, {0, 11, "b", ""}, {0, 33, "c", ""}, {0, 44, "d", ""}}},
        TLayoutCase{"LineTagsBeforeFirstRunMoveNothing", "<br><p>a", kLines, {{0, 0, "a", ""}}},
        TLayoutCase{
            "SpaceAfterBreakDropped", "a<br> b", kLines, {{0, 0, "a", ""}, {0, 11, "b", ""}}},
        TLayoutCase{"WideRunAfterBreakLeavesEmptyLine",
                    "a<br>aaaaaaaa",
                    kLinesWrap20,
                    {{0, 0, "a", ""}, {0, 22, "aaaaaaaa", ""}}},
        TLayoutCase{"NewlineIsACharacter", "a\nb\tc\r", {}, {{0, 0, "a\nb\tc\r", ""}}},
        TLayoutCase{
            "CentredWiderThanControl", "aaaaa", {25, 0, false, {-2, 0}}, {{-2, 0, "aaaaa", ""}}},
        TLayoutCase{"WrapReturnsToOrigin",
                    "aa bb",
                    {25, 1, false, {5, 0}},
                    {{5, 0, "aa", ""}, {5, 11, "bb", ""}}}),
    [](const testing::TestParamInfo<TLayoutCase>& row) { return std::string(row.param.name); });

TEST(MarkupLayout, SpacesAreDrawnAndCountTowardTheExtent) {
    TFixedCanvas canvas;
    const TMarkup markup = Pass(canvas, " ab  cd ");
    ASSERT_EQ(canvas.spaces.size(), 3u);
    EXPECT_EQ(canvas.spaces[0].at, QPoint(12, 0));
    EXPECT_EQ(canvas.spaces[1].at, QPoint(18, 0));
    EXPECT_EQ(canvas.spaces[2].at, QPoint(36, 0));
    EXPECT_EQ(markup.FExtentWidth, 42);
    EXPECT_EQ(markup.FLineHeight, 11);
}

TEST(MarkupLayout, TrailingSpacesDrawnPastTheEdge) {
    TFixedCanvas canvas;
    Pass(canvas, "aaaa   ", kWrap20);
    ASSERT_EQ(canvas.spaces.size(), 3u);
    EXPECT_EQ(canvas.spaces.back().at, QPoint(36, 0));
}

TEST(MarkupLayout, AlignmentUsesTheWholeExtent) {
    struct {
        TAlignment alignment;
        int width;
        int originX;
    } const cases[] = {
        {taLeftJustify, 40, 0},   {taRightJustify, 40, 10},
        {taCenter, 40, 5},        {taCenter, 25, -2},  // 25 - 30 = -5, halved toward zero
        {taRightJustify, 25, -5},
    };
    for (const auto& c : cases) {
        TFixedCanvas canvas;
        TMarkup markup = Pass(canvas, "ab cd");  // 12 + 6 + 12 pixels
        markup.Align(c.alignment, c.width);
        EXPECT_EQ(markup.FOrigin, QPoint(c.originX, 0)) << c.alignment << " in " << c.width;
    }
}

TEST(MarkupLayout, RightAlignedTextWithSpacesEndsAtTheEdge) {
    TFixedCanvas measure;
    TMarkup markup = Pass(measure, "ab cd ef");
    markup.Align(taRightJustify, 100);
    TFixedCanvas canvas;
    markup.FDrawing = 1;
    markup.ProcessCaption(canvas, "ab cd ef", QFont(), kFontColor);
    ASSERT_EQ(canvas.runs.size(), 3u);
    EXPECT_EQ(canvas.runs.back().at.x() + 12, 100);
}

TEST(MarkupLayout, MeasuringPassDrawsNothing) {
    TFixedCanvas canvas;
    TMarkup markup;
    markup.Width = 20;
    markup.WordWrap = 1;
    markup.ProcessCaption(canvas, "<b>aaa</b> bb cc", QFont(), kFontColor);
    EXPECT_TRUE(canvas.runs.empty());
    EXPECT_TRUE(canvas.spaces.empty());
    EXPECT_EQ(markup.FExtentWidth, 21 + 6 + 12 + 6 + 12);
    EXPECT_EQ(markup.FLineHeight, 14);
    EXPECT_EQ(markup.FWordEnd(), 0);
}

TEST(MarkupLayout, EmptyTextMeasuresNothing) {
    TFixedCanvas canvas;
    const TMarkup markup = Pass(canvas, "");
    EXPECT_EQ(markup.FExtentWidth, 0);
    EXPECT_EQ(markup.FLineHeight, 0);
    EXPECT_TRUE(canvas.runs.empty());
}

TEST(MarkupLayout, LongRunIsFlushedAtTheRunLimit) {
    TFixedCanvas canvas;
    const QByteArray word(3000, 'w');
    Pass(canvas, word + " end");
    ASSERT_EQ(canvas.runs.size(), 4u);
    EXPECT_EQ(canvas.runs[0].text.size(), kRunLimit);
    EXPECT_EQ(canvas.runs[1].text.size(), kRunLimit);
    EXPECT_EQ(canvas.runs[2].text.size(), 3000 - 2 * kRunLimit);
    EXPECT_EQ(canvas.runs[1].at.x(), 6 * kRunLimit);
    EXPECT_EQ(canvas.runs[3].text, "end");
}

TEST(MarkupLayout, ZeroByteEndsTheText) {
    TFixedCanvas canvas;
    Pass(canvas, QByteArray("ab\0cd", 5));
    ASSERT_EQ(canvas.runs.size(), 1u);
    EXPECT_EQ(canvas.runs[0].text, "ab");
}

TEST(MarkupLayout, TagCutOffAtTheEndIsText) {
    TFixedCanvas canvas;
    Pass(canvas, "a<stri");
    ASSERT_EQ(canvas.runs.size(), 1u);
    EXPECT_EQ(canvas.runs[0].text, "a<stri");
}

}  // namespace
