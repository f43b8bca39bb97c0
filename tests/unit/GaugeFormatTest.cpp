// The gauge bar's value text: the program's formats, and formats that must
// never reach printf.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "widgets/Gaugeformat.h"

namespace {

TEST(GaugeFormat, FormatsOneFloatingConversion) {
    struct {
        const char* format;
        double value;
        const char* text;
    } const cases[] = {
        {"%.0f pps", 37.4, "37 pps"},
        {"%.0f pps", 150, "150 pps"},
        {"%.0f%%", 36.6, "37%"},
        {"%.0f%%", 0, "0%"},
        {"%.1f", 2.25, "2.2"},
        {"%5.1f|", 2.5, "  2.5|"},
        {"%-6.2f|", 1, "1.00  |"},
        {"%+.0f", 3, "+3"},
        {"%08.3f", -1.5, "-001.500"},
        {"%e", 1234.5, "1.234500e+03"},
        {"%G", 0.0001, "0.0001"},
        {"%a", 1, "0x1p+0"},
        {"%.f", 2.7, "3"},
        {"100%% of %.0f", 5, "100% of 5"},
        {"no number", 5, "no number"},
        {"50%%", 5, "50%"},
        {"", 5, ""},
        {"%.0f", std::numeric_limits<double>::infinity(), "inf"},
        {"%999.0f", 1, nullptr},  // width kept: checked by length below
    };
    for (const auto& c : cases) {
        const QString text = FormatGaugeValue(QString::fromUtf8(c.format), c.value);
        if (c.text != nullptr)
            EXPECT_EQ(text.toStdString(), c.text) << c.format;
        else
            EXPECT_EQ(text.size(), 999) << c.format;
        EXPECT_TRUE(IsValidGaugeFormat(QString::fromUtf8(c.format))) << c.format;
    }
}

TEST(GaugeFormat, HostileFormatsComeBackLiterally) {
    const char* const formats[] = {
        "%s",      "%d",       "%n",  "%p",   "%c",  "%x",   "%.0f %f", "%f%f", "%*f",
        "%.*f",    "%lf",      "%Lf", "%1$f", "%",   "abc%", "%%%",     "%.0",  "%1000f",
        "%.1000f", "%------f", "%'f", "% s",  "%ls", "%hhn", "%.0f %n",
    };
    for (const char* format : formats) {
        EXPECT_FALSE(IsValidGaugeFormat(QString::fromUtf8(format))) << format;
        EXPECT_EQ(FormatGaugeValue(QString::fromUtf8(format), 42).toStdString(), format);
    }
}

TEST(GaugeFormat, LongFormats) {
    const QString text(2000, 'x');
    EXPECT_EQ(FormatGaugeValue(text, 1), text);
    EXPECT_EQ(FormatGaugeValue(text + "%.0f" + text, 7), text + "7" + text);
    const QString manyConversions = QString("%f").repeated(1000);
    EXPECT_EQ(FormatGaugeValue(manyConversions, 1), manyConversions);
    EXPECT_EQ(FormatGaugeValue("%.3f", std::nan("")).left(3).toLower(), "nan");
}

TEST(GaugeFormat, KeysTellPrintedNumbersApartWithoutPrinting) {
    // Two numbers of the same key print the same text, and two of different
    // keys different texts, over a sweep that meets every rounding edge.
    for (const char* format : {"%.0f%%", "%.1f", "%.2f pps", "%+.0f", "%08.3f", "no number"}) {
        const TGaugeValueFormat parsed(QString::fromUtf8(format));
        std::optional<double> lastKey;
        QString lastText;
        for (int i = -4000; i <= 4000; ++i) {
            const double number = i * 0.00125;  // 0.15, 2.5, -0.5 and their like among them
            const std::optional<double> key = parsed.Key(number);
            const QString text = parsed.Text(number);
            EXPECT_EQ(text, FormatGaugeValue(QString::fromUtf8(format), number));
            if (key && lastKey) {
                EXPECT_EQ(*key == *lastKey, text == lastText) << format << " at " << number;
            }
            lastKey = key;
            lastText = text;
        }
    }
    const struct {
        const char* format;
        std::optional<double> scale;
    } scales[] = {
        {"%.0f pps", 1}, {"%.2f", 100},        {"%f", 1e6},          {"text", 0},
        {"%s", 0},       {"%e", std::nullopt}, {"%g", std::nullopt}, {"%.16f", std::nullopt},
    };
    for (const auto& c : scales)
        EXPECT_EQ(TGaugeValueFormat(QString::fromUtf8(c.format)).Scale(), c.scale) << c.format;
    EXPECT_FALSE(TGaugeValueFormat("%e").Key(3)) << "only printing tells";
}

TEST(GaugeFormat, KeepsTextThatIsNotAscii) {
    EXPECT_EQ(FormatGaugeValue(QString::fromUtf8("%.0f \u00b0C \u2192"), 21),
              QString::fromUtf8("21 \u00b0C \u2192"));
}

}  // namespace
