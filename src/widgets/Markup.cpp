#include "widgets/Markup.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "snmp/Strutil.h"

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithTag(const QByteArray& text, qsizetype at, std::string_view tag) {
    if (text.size() - at < static_cast<qsizetype>(tag.size())) return false;
    for (std::size_t i = 0; i < tag.size(); ++i)
        if (AsciiLower(text[at + static_cast<qsizetype>(i)]) != tag[i]) return false;
    return true;
}

// Keeps what a pass draws, one line of text for each line step: every run
// is one unit a byte wide and one line high, and nothing wraps.
class TTextCanvas : public TMarkupCanvas {
public:
    QSize Measure(const QByteArray& text, const QFont& /*font*/) override {
        return {static_cast<int>(text.size()), 1};
    }
    void Draw(QPoint topLeft, const QByteArray& text, const QFont& /*font*/,
              const QColor& /*color*/) override {
        for (; FLine < topLeft.y(); ++FLine) FText.append('\n');
        FText.append(text);
    }
    QByteArray FText;

private:
    int FLine = 0;
};

}  // namespace

QString MarkupPlainText(const QByteArray& text, bool lineTags) {
    TMarkup markup;
    markup.LineTags = lineTags;
    markup.FDrawing = 1;
    TTextCanvas canvas;
    markup.ProcessCaption(canvas, text, QFont(), QColor());
    return QString::fromLocal8Bit(canvas.FText).trimmed();
}

QByteArray CutText(const QByteArray& text, qsizetype limit) {
    const std::string_view bytes(text.constData(), static_cast<std::size_t>(text.size()));
    return text.left(
        static_cast<qsizetype>(CutText(bytes, static_cast<std::size_t>(limit)).size()));
}

QByteArray JoinLines(const QStringList& lines, qsizetype limit) {
    QByteArray joined;
    for (const QString& line : lines) {
        if (!joined.isEmpty() && !IsSpace(joined.back())) joined.append(' ');
        joined.append(line.toLocal8Bit());
        if (joined.size() >= limit) return CutText(joined, limit);
    }
    return joined;
}

void TMarkup::ProcessCaption(TMarkupCanvas& canvas, const QByteArray& text, const QFont& font,
                             const QColor& color) {
    FCanvas = &canvas;
    FFont = font;
    FColor = color;
    // A closing colour tag before any opening one falls back to the font's colour.
    FRemembered = color;
    FWord.clear();
    FPen = FOrigin;
    FExtentWidth = 0;
    FLineHeight = 0;

    qsizetype at = 0;
    while (at < text.size() && text[at] != '\0') {
        if (const qsizetype skip = DoTag(text, at); skip > 0) {
            at += skip;
            continue;
        }
        if (text[at] == ' ') {
            DumpText();
            DumpSpace();
        } else {
            if (FWord.size() >= kRunLimit) DumpText();
            FWord.append(text[at]);
        }
        ++at;
    }
    DumpText();
    FCanvas = nullptr;
}

qsizetype TMarkup::DoTag(const QByteArray& text, qsizetype at) {
    // Compared in this order; the first that matches wins.
    static constexpr std::array<std::pair<std::string_view, TTag>, 14> kTags{{
        {"<p>", TTag::Paragraph},
        {"<br>", TTag::Break},
        {"<hyper>", TTag::HyperOn},
        {"</hyper>", TTag::HyperOff},
        {"<b>", TTag::BoldOn},
        {"</b>", TTag::BoldOff},
        {"<u>", TTag::UnderlineOn},
        {"</u>", TTag::UnderlineOff},
        {"<i>", TTag::ItalicOn},
        {"</i>", TTag::ItalicOff},
        {"<strike>", TTag::StrikeOn},
        {"</strike>", TTag::StrikeOff},
        {"<blue>", TTag::BlueOn},
        {"</blue>", TTag::BlueOff},
    }};
    if (text[at] != '<') return 0;
    for (const auto& [name, tag] : kTags) {
        const bool lineTag = tag == TTag::Paragraph || tag == TTag::Break;
        if ((LineTags || !lineTag) && StartsWithTag(text, at, name)) {
            Act(tag);
            return static_cast<qsizetype>(name.size());
        }
    }
    return 0;
}

void TMarkup::Act(TTag tag) {
    DumpText();
    switch (tag) {
        case TTag::Paragraph:
            NewLine(2);
            break;
        case TTag::Break:
            NewLine(1);
            break;
        case TTag::HyperOn:
            FRemembered = FColor;
            FColor = QColor(0, 0, 255);
            FFont.setUnderline(true);
            break;
        case TTag::HyperOff:
            FColor = FRemembered;
            FFont.setUnderline(false);
            break;
        case TTag::BoldOn:
            FFont.setBold(true);
            break;
        case TTag::BoldOff:
            FFont.setBold(false);
            break;
        case TTag::UnderlineOn:
            FFont.setUnderline(true);
            break;
        case TTag::UnderlineOff:
            FFont.setUnderline(false);
            break;
        case TTag::ItalicOn:
            FFont.setItalic(true);
            break;
        case TTag::ItalicOff:
            FFont.setItalic(false);
            break;
        case TTag::StrikeOn:
            FFont.setStrikeOut(true);
            break;
        case TTag::StrikeOff:
            FFont.setStrikeOut(false);
            break;
        case TTag::BlueOn:
            FRemembered = FColor;
            FColor = QColor(0, 0, 255);
            break;
        case TTag::BlueOff:
            FColor = FRemembered;
            break;
    }
}

void TMarkup::NewLine(int lineSteps) {
    FPen.setX(FOrigin.x());
    FPen.ry() += lineSteps * FLineHeight;
}

void TMarkup::DumpText() {
    if (FWord.isEmpty() || FCanvas == nullptr) return;
    const QSize extent = FCanvas->Measure(FWord, FFont);
    // Whether the line is still empty is not asked: a run wider than the
    // control moves down all the same.
    if (WordWrap != 0 && FPen.x() + extent.width() > Width) NewLine(1);
    if (FDrawing != 0) FCanvas->Draw(FPen, FWord, FFont, FColor);
    FPen.rx() += extent.width();
    FExtentWidth += extent.width();
    FLineHeight = std::max(FLineHeight, extent.height());
    FWord.clear();
}

void TMarkup::DumpSpace() {
    if (FPen.x() == FOrigin.x() || FCanvas == nullptr) return;
    static const QByteArray kSpace(" ");
    if (FDrawing != 0) FCanvas->Draw(FPen, kSpace, FFont, FColor);
    const int width = FCanvas->Measure(kSpace, FFont).width();
    FPen.rx() += width;
    // Placed spaces count toward the extent, so that centred and
    // right-aligned text keeps its end inside the control.
    FExtentWidth += width;
}

void TMarkup::Align(TAlignment alignment, int width) {
    int x = 0;
    if (alignment == taRightJustify)
        x = width - FExtentWidth;
    else if (alignment == taCenter)
        x = (width - FExtentWidth) / 2;
    FOrigin = QPoint(x, 0);
}
