// The markup labels' tag language and layout pass, kept apart from any
// widget so that it can run against any canvas.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QPoint>
#include <QStringList>

#include "snmp/Limits.h"
#include "widgets/Markupcanvas.h"

enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

// Byte limits of the texts a label lays out: each is a buffer less its
// terminating zero. Longer texts are cut; a longer run is flushed early.
inline constexpr auto kCaptionLimit = static_cast<qsizetype>(kMaxText);
inline constexpr qsizetype kRunLimit = 1023;
inline constexpr qsizetype kJoinedLimit = 32767;

// `text` cut to at most `limit` bytes, never inside a UTF-8 sequence.
QByteArray CutText(const QByteArray& text, qsizetype limit);

// The lines as one local 8-bit text: one space between two lines unless the
// text so far ends in white space, cut to `limit` bytes.
QByteArray JoinLines(const QStringList& lines, qsizetype limit = kJoinedLimit);

// What a layout pass over `text` draws, as a listener should hear it: the
// tags left out, a "<br>" as a line break and a "<p>" as an empty line
// (when `lineTags`), white space at either end dropped.
QString MarkupPlainText(const QByteArray& text, bool lineTags);

class TMarkup {
public:
    // One layout pass over `text`, starting from `font` drawn in `color`;
    // draws on `canvas` only when FDrawing is non-zero.
    void ProcessCaption(TMarkupCanvas& canvas, const QByteArray& text, const QFont& font,
                        const QColor& color);
    void DumpText();
    void DumpSpace();
    // FOrigin for the extent of the last pass in a control `width` wide.
    void Align(TAlignment alignment, int width);

    // Settings a pass reads.
    int WordWrap = 0;
    int Width = 0;          // the control's width, for the wrap test
    bool LineTags = false;  // "<p>" and "<br>" are tags

    QPoint FPen;
    QPoint FOrigin;
    int FExtentWidth = 0;
    int FLineHeight = 0;
    QByteArray FWord;  // the run being gathered, at most kRunLimit bytes
    int FDrawing = 0;

    qsizetype FWordEnd() const { return FWord.size(); }

private:
    enum class TTag {
        Paragraph,
        Break,
        HyperOn,
        HyperOff,
        BoldOn,
        BoldOff,
        UnderlineOn,
        UnderlineOff,
        ItalicOn,
        ItalicOff,
        StrikeOn,
        StrikeOff,
        BlueOn,
        BlueOff
    };
    // Length of the tag starting at `at`, 0 when none does.
    qsizetype DoTag(const QByteArray& text, qsizetype at);
    void Act(TTag tag);
    void NewLine(int lineSteps);

    TMarkupCanvas* FCanvas = nullptr;
    QFont FFont;
    QColor FColor;
    QColor FRemembered;
};
