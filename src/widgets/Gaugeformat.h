// The gauge bar's value text: a printf-style format applied to one number,
// checked before any printf-family function sees it.
#pragma once

#include <QString>
#include <optional>
#include <string>

// Whether `format` is text with "%%" escapes and at most one conversion of
// one double: %e, %f, %g or %a (either case) with optional flags "-+ #0",
// a width and a precision of at most three digits each.
bool IsValidGaugeFormat(const QString& format);

// `format` applied to `value`; a format that is not valid comes back as it is.
QString FormatGaugeValue(const QString& format, double value);

// A format read once, for a bar that prints many numbers with it and wants
// to know, without printing, whether a new number prints differently.
class TGaugeValueFormat {
public:
    TGaugeValueFormat() : TGaugeValueFormat(QStringLiteral("%.0f%%")) {}
    explicit TGaugeValueFormat(const QString& format);

    const QString& format() const { return format_; }
    // The format applied to `number`, as FormatGaugeValue does it.
    QString Text(double number) const;

    // The printed number as a plain number: two numbers of the same key
    // print the same text. None when that cannot be told without printing:
    // conversions other than %f, precisions above 15 digits, and numbers on
    // the very edge between two printed ones.
    std::optional<double> Key(double number) const;
    // 10^precision of a %f conversion: the printed number changes where the
    // number times this crosses an odd multiple of 1/2. 0 when the text
    // never depends on the number; none when it cannot be told (see Key).
    std::optional<double> Scale() const { return scale_; }

private:
    QString format_;
    bool valid_ = false;
    QString prefix_, suffix_;
    std::string conversion_;  // "%...f", empty for text alone
    std::optional<double> scale_;
};
