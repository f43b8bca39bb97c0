// The two markup labels as widgets: defaults, limits, measuring and resizing,
// font changes and the immediate repaint.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>

#include "shell/Fonts.h"
#include "tests/gui/RecordingCanvas.h"
#include "tests/support/FixedCanvas.h"
#include "widgets/Htmllabel.h"
#include "widgets/Largehtmllabel.h"

namespace {

template <typename TLabel>
class TCountingLabel : public TLabel {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        TLabel::paintEvent(event);
    }
};

qsizetype LaidOutBytes(TMarkupLabel& label) {
    TFixedCanvas canvas;
    label.Layout().FDrawing = 1;
    label.ProcessCaption(canvas);
    qsizetype bytes = static_cast<qsizetype>(canvas.spaces.size());
    for (const TDrawnText& run : canvas.runs) bytes += run.text.size();
    return bytes;
}

TEST(MarkupLabel, Defaults) {
    THtmlLabel label;
    TLargeHtmlLabel large;
    for (TMarkupLabel* l :
         {static_cast<TMarkupLabel*>(&label), static_cast<TMarkupLabel*>(&large)}) {
        EXPECT_EQ(l->size(), QSize(30, 13));
        EXPECT_EQ(l->Alignment(), taLeftJustify);
        EXPECT_EQ(l->WordWrap(), 0);
        EXPECT_EQ(l->AutoSize(), 0);
        EXPECT_EQ(l->Layout().FOrigin, QPoint(0, 0));
    }
    EXPECT_TRUE(label.GetCaption().isEmpty());
    EXPECT_TRUE(large.Lines().isEmpty());
    EXPECT_FALSE(large.ParentBackground());
}

TEST(MarkupLabel, FontsAreTheFormFaces) {
    EXPECT_EQ(QFontInfo(MonitorFont()).family(), "Tahoma");
    EXPECT_EQ(QFontInfo(DialogFont()).family(), "MS Sans Serif");
}

TEST(MarkupLabel, AutoSizeFollowsTheExtent) {
    THtmlLabel label;
    label.setFont(MonitorFont());
    label.SetAutoSize1(1);
    label.SetCaption("Hello <b>world</b>");
    QSize extent;
    label.GetExtent(&extent);
    EXPECT_GT(extent.width(), 40);
    EXPECT_EQ(extent.height(), QFontMetrics(MonitorFont()).height());
    EXPECT_EQ(label.size(), extent);

    label.SetCaption("");
    EXPECT_EQ(label.size(), QSize(0, 0));
}

TEST(MarkupLabel, AlignedTextStaysInside) {
    for (TAlignment alignment : {taLeftJustify, taRightJustify, taCenter}) {
        THtmlLabel label;
        label.setFont(MonitorFont());
        label.resize(200, 13);
        label.SetCaption("right  and centred ends");
        label.SetAlignment(alignment);
        const std::vector<TPlacedText> placed = PlaceText(label);
        ASSERT_FALSE(placed.empty());
        const int left = placed.front().rect.left();
        const int right = placed.back().rect.right() + 1;
        EXPECT_GE(left, 0);
        EXPECT_LE(right, 200);
        if (alignment == taRightJustify) {
            EXPECT_EQ(right, 200);
        }
        if (alignment == taCenter) {
            EXPECT_LE(std::abs(left - (200 - right)), 1);
        }
    }
}

TEST(MarkupLabel, FontChangeMeasuresAgain) {
    QWidget parent;
    parent.setFont(MonitorFont());
    THtmlLabel label(&parent);
    label.SetAutoSize1(1);
    label.SetCaption("Some text");
    const int small = label.width();

    QFont big = MonitorFont();
    big.setPixelSize(22);
    parent.setFont(big);  // taken over by the label
    EXPECT_GT(label.width(), small * 3 / 2);
    EXPECT_EQ(label.height(), QFontMetrics(big).height());

    label.setFont(MonitorFont());
    EXPECT_EQ(label.width(), small);
}

TEST(MarkupLabel, SettersRepaintAtOnce) {
    TCountingLabel<THtmlLabel> label;
    label.show();
    QCoreApplication::processEvents();
    const int before = label.paints;
    label.SetCaption("now");
    EXPECT_EQ(label.paints, before + 1);
    label.SetWordWrap1(1);
    label.SetAlignment(taCenter);
    label.SetAutoSize1(1);
    EXPECT_EQ(label.paints, before + 4);
}

TEST(MarkupLabel, CaptionIsCutAtItsLimit) {
    THtmlLabel label;
    label.SetCaption(QString(5000, 'x'));
    EXPECT_EQ(LaidOutBytes(label), kCaptionLimit);
    EXPECT_EQ(label.GetCaption().size(), 5000);  // the text itself is kept
}

TEST(LargeHtmlLabel, JoinedTextIsCutAtItsLimit) {
    TLargeHtmlLabel label;
    label.SetLines(QStringList(40, QString(999, 'x')));
    EXPECT_EQ(LaidOutBytes(label), kJoinedLimit);
}

TEST(LargeHtmlLabel, LinesEditedInPlaceShowAtTheNextMeasure) {
    TCountingLabel<TLargeHtmlLabel> label;
    label.setFont(MonitorFont());
    label.show();
    label.SetAutoSize1(1);
    label.SetLines({"ab"});
    QCoreApplication::processEvents();
    const int width = label.width();
    const int paints = label.paints;

    label.Lines().append("cdef");
    EXPECT_EQ(label.width(), width);
    EXPECT_EQ(label.paints, paints);

    label.SetAlignment(taLeftJustify);
    EXPECT_GT(label.width(), width);
}

TEST(LargeHtmlLabel, EmptyLinesMeasureNothing) {
    TLargeHtmlLabel label;
    QSize extent(-1, -1);
    label.GetExtent(&extent);
    EXPECT_EQ(extent, QSize(0, 0));
}

TEST(LargeHtmlLabel, ParentBackgroundLeavesTheFillToTheParent) {
    for (bool parentBackground : {false, true}) {
        QWidget parent;
        parent.resize(100, 40);
        QPalette parentPalette = parent.palette();
        parentPalette.setColor(QPalette::Window, QColor(200, 0, 200));
        parent.setPalette(parentPalette);
        parent.setAutoFillBackground(true);

        TLargeHtmlLabel label(&parent);
        QPalette own = label.palette();
        own.setColor(QPalette::Window, QColor(255, 255, 255));
        label.setPalette(own);
        label.setGeometry(10, 10, 80, 20);
        label.SetLines({"x"});
        label.SetParentBackground(parentBackground);

        const QImage image = parent.grab().toImage();
        const QColor expected = parentBackground ? QColor(200, 0, 200) : QColor(255, 255, 255);
        EXPECT_EQ(image.pixelColor(80, 25), expected) << parentBackground;
    }
}

}  // namespace
