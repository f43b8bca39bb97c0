#include "widgets/Gaugeformat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

constexpr int kMaxDigits = 3;  // width and precision stay below 1000
constexpr int kMaxFlags = 5;
// Up to this precision, 10^precision and the number times it are exact
// enough to tell printed numbers apart.
constexpr int kMaxKeyedPrecision = 15;

struct TGaugeFormat {
    QString prefix;
    std::string conversion;  // "%...f", empty for text alone
    QString suffix;
};

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Reads up to kMaxDigits digits at `at` into `conversion`; false when there are more.
bool ReadDigits(const QString& format, qsizetype& at, std::string& conversion) {
    int count = 0;
    for (; at < format.size() && IsDigit(format[at]); ++at, ++count)
        conversion.push_back(static_cast<char>(format[at].unicode()));
    return count <= kMaxDigits;
}

// The conversion starting at the '%' at `at`, which is left after it.
std::optional<std::string> ReadConversion(const QString& format, qsizetype& at) {
    std::string conversion = "%";
    ++at;
    int flags = 0;
    for (; at < format.size() && QStringView(u"-+ #0").contains(format[at]); ++at, ++flags)
        conversion.push_back(static_cast<char>(format[at].unicode()));
    if (flags > kMaxFlags || !ReadDigits(format, at, conversion)) return std::nullopt;
    if (at < format.size() && format[at] == u'.') {
        conversion.push_back('.');
        ++at;
        if (!ReadDigits(format, at, conversion)) return std::nullopt;
    }
    if (at >= format.size() || !QStringView(u"eEfFgGaA").contains(format[at])) return std::nullopt;
    conversion.push_back(static_cast<char>(format[at].unicode()));
    ++at;
    return conversion;
}

std::optional<TGaugeFormat> Parse(const QString& format) {
    TGaugeFormat parsed;
    qsizetype at = 0;
    while (at < format.size()) {
        QString& literal = parsed.conversion.empty() ? parsed.prefix : parsed.suffix;
        if (format[at] != u'%') {
            literal.append(format[at++]);
        } else if (at + 1 < format.size() && format[at + 1] == u'%') {
            literal.append(u'%');
            at += 2;
        } else {
            if (!parsed.conversion.empty())
                return std::nullopt;  // a second conversion would read a missing argument
            std::optional<std::string> conversion = ReadConversion(format, at);
            if (!conversion) return std::nullopt;
            parsed.conversion = *conversion;
        }
    }
    return parsed;
}

QString FormatNumber(const std::string& conversion, double value) {
    // The conversion has passed Parse: one double, bounded width and precision.
    const int length = std::snprintf(nullptr, 0, conversion.c_str(), value);
    if (length < 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), conversion.c_str(), value);
    text.resize(static_cast<std::size_t>(length));
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

bool IsValidGaugeFormat(const QString& format) { return Parse(format).has_value(); }

QString FormatGaugeValue(const QString& format, double value) {
    return TGaugeValueFormat(format).Text(value);
}

namespace {

// 10^precision for a "%...f" conversion, 0 for none, nothing for the others.
std::optional<double> ScaleOf(const std::string& conversion) {
    if (conversion.empty()) return 0.0;
    const char kind = conversion.back();
    if (kind != 'f' && kind != 'F') return std::nullopt;
    const std::size_t dot = conversion.find('.');
    int precision = 6;  // printf's default
    if (dot != std::string::npos)
        precision = std::atoi(conversion.c_str() + dot + 1);  // digits only: Parse checked them
    if (precision > kMaxKeyedPrecision) return std::nullopt;
    return std::pow(10.0, precision);
}

}  // namespace

TGaugeValueFormat::TGaugeValueFormat(const QString& format) : format_(format) {
    const std::optional<TGaugeFormat> parsed = Parse(format);
    valid_ = parsed.has_value();
    // A format that is not valid is printed as it stands, whatever the number.
    scale_ = 0.0;
    if (!valid_) return;
    prefix_ = parsed->prefix;
    suffix_ = parsed->suffix;
    conversion_ = parsed->conversion;
    scale_ = ScaleOf(conversion_);
}

QString TGaugeValueFormat::Text(double number) const {
    if (!valid_) return format_;
    if (conversion_.empty()) return prefix_;
    return prefix_ + FormatNumber(conversion_, number) + suffix_;
}

std::optional<double> TGaugeValueFormat::Key(double number) const {
    if (!scale_) return std::nullopt;
    if (*scale_ == 0) return 0.0;
    const double scaled = number * *scale_;
    if (!std::isfinite(scaled)) return std::nullopt;
    // printf rounds the exact binary number; the product may have rounded
    // across the middle between two printed numbers. Near it, only printing
    // tells.
    const double fraction = std::fabs(scaled - std::trunc(scaled));
    if (std::fabs(fraction - 0.5) <= 1e-9 * std::max(1.0, std::fabs(scaled))) return std::nullopt;
    const double key = std::nearbyint(scaled);
    // "-0" is not "0": give it a key of its own, one no rounding yields.
    if (key == 0 && std::signbit(scaled)) return -0.5;
    return key;
}
