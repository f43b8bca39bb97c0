// The gauge bar's value text: a printf-style format applied to one number,
// checked before any printf-family function sees it.
#pragma once

#include <QString>

// Whether `format` is text with "%%" escapes and at most one conversion of
// one double: %e, %f, %g or %a (either case) with optional flags "-+ #0",
// a width and a precision of at most three digits each.
bool IsValidGaugeFormat(const QString& format);

// `format` applied to `value`; a format that is not valid comes back as it is.
QString FormatGaugeValue(const QString& format, double value);
