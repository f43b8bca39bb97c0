#include "widgets/Gaugeformat.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {

constexpr int kMaxDigits = 3;  // width and precision stay below 1000
constexpr int kMaxFlags = 5;

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
    const std::optional<TGaugeFormat> parsed = Parse(format);
    if (!parsed) return format;
    if (parsed->conversion.empty()) return parsed->prefix;
    return parsed->prefix + FormatNumber(parsed->conversion, value) + parsed->suffix;
}
