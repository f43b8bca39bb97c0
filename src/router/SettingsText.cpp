#include "router/SettingsText.h"

#include <QStringList>
#include <cstdint>

#include "snmp/Strutil.h"

namespace {

constexpr QByteArrayView kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

QByteArrayView TrimBlanks(QByteArrayView text) {
    while (!text.isEmpty() && IsBlank(text.front())) text = text.sliced(1);
    while (!text.isEmpty() && IsBlank(text.back())) text.chop(1);
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The escapes QSettings writes for one character, and what they stand for.
char SimpleEscape(char c) {
    switch (c) {
        case 'a':
            return '\a';
        case 'b':
            return '\b';
        case 'f':
            return '\f';
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 't':
            return '\t';
        case 'v':
            return '\v';
        case '"':
            return '"';
        case '\\':
            return '\\';
        default:
            return 0;
    }
}

// Reads the hex digits from `at` on into a character, as QSettings does:
// every digit counts, the value keeps its low 16 bits.
QChar HexEscape(QByteArrayView text, qsizetype& at) {
    std::uint32_t value = 0;
    for (int digit; at < text.size() && (digit = HexDigit(text[at])) >= 0; ++at) {
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return QChar(static_cast<char16_t>(value & 0xFFFF));
}

// A value as it stands, but for the escapes QSettings writes.
QString Literal(QByteArrayView value) {
    QString out;
    qsizetype run = 0;  // start of the bytes not yet taken
    auto flush = [&](qsizetype to) { out += QString::fromUtf8(value.sliced(run, to - run)); };
    for (qsizetype i = 0; i + 1 < value.size();) {
        if (value[i] != '\\') {
            ++i;
            continue;
        }
        const char next = value[i + 1];
        if (const char c = SimpleEscape(next)) {
            flush(i);
            out += QChar(c);
            i += 2;
        } else if (next == '0') {
            flush(i);
            out += QChar(0);
            i += 2;
        } else if (next == 'x' && i + 2 < value.size() && HexDigit(value[i + 2]) >= 0) {
            flush(i);
            i += 2;
            out += HexEscape(value, i);
        } else {
            ++i;  // a backslash that stands for itself
            continue;
        }
        run = i;
    }
    flush(value.size());
    return out;
}

void ChopTrailingBlanks(QString& text, qsizetype limit) {
    while (text.size() > limit && (text.back() == ' ' || text.back() == '\t')) text.chop(1);
}

// A value wholly in double quotes, read by QSettings' rules: quotes may open
// and close anywhere, a comma outside them separates the items of a list,
// every escape of C counts and an unknown one is dropped.
QString Quoted(QByteArrayView value) {
    QStringList items;
    bool isList = false;
    bool inQuotes = false;
    bool itemQuoted = false;
    QString item;
    qsizetype keep = 0;  // trailing blanks before this are the item's own
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < value.size() && IsBlank(value[i])) ++i;
        keep = item.size();
    };
    skipBlanks();
    while (i < value.size()) {
        const char c = value[i];
        if (c == '\\') {
            if (++i >= value.size()) break;
            const char e = value[i++];
            if (const char simple = SimpleEscape(e)) {
                item += QChar(simple);
            } else if (e == '?' || e == '\'') {
                item += QChar(e);
            } else if (e == 'x') {
                if (i < value.size() && HexDigit(value[i]) >= 0) item += HexEscape(value, i);
            } else if (e >= '0' && e <= '7') {
                std::uint32_t octal = static_cast<std::uint32_t>(e - '0');
                for (; i < value.size() && value[i] >= '0' && value[i] <= '7'; ++i) {
                    octal = (octal << 3) | static_cast<std::uint32_t>(value[i] - '0');
                }
                item += QChar(static_cast<char16_t>(octal & 0xFFFF));
            }
            keep = item.size();
        } else if (c == '"') {
            ++i;
            itemQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) skipBlanks();
        } else if (c == ',' && !inQuotes) {
            if (!itemQuoted) ChopTrailingBlanks(item, keep);
            isList = true;
            items.append(item);
            item.clear();
            itemQuoted = false;
            ++i;
            skipBlanks();
        } else {
            qsizetype j = i + 1;
            while (j < value.size() && value[j] != '\\' && value[j] != '"' &&
                   (value[j] != ',' || inQuotes)) {
                ++j;
            }
            item += QString::fromUtf8(value.sliced(i, j - i));
            i = j;
        }
    }
    if (!itemQuoted) ChopTrailingBlanks(item, keep);
    if (!isList) return item;
    items.append(item);
    // A list reads as its items joined by commas, each with QSettings'
    // doubled '@' undone.
    for (QString& entry : items) {
        if (entry.startsWith(QLatin1String("@@"))) entry.remove(0, 1);
    }
    return items.join(',');
}

// Text as people and QSettings write it: no control characters but white
// space; the others are written as escapes.
bool IsText(QByteArrayView bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) < 0x20 && !IsSpace(c)) return false;
    }
    return true;
}

bool IsEntryKey(QByteArrayView key) {
    for (char c : key) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
    }
    return !key.isEmpty();
}

}  // namespace

std::optional<QString> DecodeValue(QByteArrayView value) {
    value = TrimBlanks(value);
    const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    QString text = quoted ? Quoted(value) : Literal(value);
    // QSettings marks a text that begins with '@' by a second one, and writes
    // a few types in an @Type(...) form.
    if (text.startsWith('@')) {
        if (text == QLatin1String("@Invalid()")) return std::nullopt;
        if (text.endsWith(')')) {
            if (text.startsWith(QLatin1String("@ByteArray(")))
                return text.mid(11, text.size() - 12);
            if (text.startsWith(QLatin1String("@String("))) return text.mid(8, text.size() - 9);
        }
        if (text.startsWith(QLatin1String("@@"))) text.remove(0, 1);
    }
    return text;
}

QByteArray EncodeValue(const QString& text) {
    const QString value = text.startsWith('@') ? '@' + text : text;
    QByteArray out;
    QString plain;  // characters taken as they are, written as UTF-8 at once
    bool needsQuotes = false;
    bool escapeHexDigit = false;  // a hex digit here would join the escape before it
    auto flush = [&] {
        out += plain.toUtf8();
        plain.clear();
    };
    auto escape = [&](const QByteArray& code) {
        flush();
        out += code;
    };
    for (const QChar qc : value) {
        const char16_t c = qc.unicode();
        if (c == ';' || c == ',' || c == '=') needsQuotes = true;
        if (escapeHexDigit && c < 0x80 && HexDigit(static_cast<char>(c)) >= 0) {
            escape("\\x" + QByteArray::number(c, 16));
            continue;
        }
        escapeHexDigit = false;
        if (c == 0) {
            escape("\\0");
            escapeHexDigit = true;
        } else if (c == '"' || c == '\\') {
            escape(QByteArray("\\") + static_cast<char>(c));
        } else if (c < 0x20 || c == 0x7F) {
            static constexpr char kLetters[] = "abtnvfr";  // \a is 7 ... \r is 13
            if (c >= 7 && c <= 13) {
                escape(QByteArray("\\") + kLetters[c - 7]);
            } else {
                escape("\\x" + QByteArray::number(c, 16));
                escapeHexDigit = true;
            }
        } else {
            plain += qc;
        }
    }
    flush();
    if (needsQuotes || out.startsWith(' ') || out.endsWith(' ')) out = '"' + out + '"';
    return out;
}

TSettingsText::TSettingsText(const QByteArray& bytes) {
    if (!IsText(bytes)) {
        isSettings_ = false;
        return;
    }
    bool general = true;  // keys before any section belong to [General]
    for (qsizetype at = 0; at < bytes.size();) {
        qsizetype newline = bytes.indexOf('\n', at);
        qsizetype next = newline < 0 ? bytes.size() : newline + 1;
        QByteArray text = bytes.mid(at, (newline < 0 ? bytes.size() : newline) - at);
        QByteArray end = newline < 0 ? QByteArray() : QByteArray("\n");
        if (!end.isEmpty() && text.endsWith('\r')) {
            text.chop(1);
            end = "\r\n";
        }
        lines_.push_back(Parse(std::move(text), std::move(end), general));
        at = next;
    }
    if (!lines_.empty()) {
        QByteArrayView first(lines_.front().text);
        if (first.startsWith(kByteOrderMark)) first = first.sliced(kByteOrderMark.size());
        if (first.startsWith("#!")) isSettings_ = false;
    }
}

TSettingsText::Line TSettingsText::Parse(QByteArray text, QByteArray end, bool& general) {
    Line line;
    line.text = std::move(text);
    line.end = std::move(end);
    QByteArrayView view(line.text);
    const qsizetype bom = view.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
    const QByteArrayView content = TrimBlanks(view.sliced(bom));
    if (content.isEmpty()) {
        line.kind = Kind::Blank;
    } else if (content.front() == ';' || content.front() == '#') {
        line.kind = Kind::Comment;
    } else if (content.front() == '[') {
        const qsizetype close = content.indexOf(']');
        if (close < 0) return line;
        line.kind = Kind::Section;
        general =
            TrimBlanks(content.sliced(1, close - 1)).compare("general", Qt::CaseInsensitive) == 0;
        line.general = general;
    } else if (const qsizetype equals = view.indexOf('=', bom); equals >= 0) {
        const QByteArrayView key = TrimBlanks(view.sliced(bom, equals - bom));
        if (!IsEntryKey(key)) return line;
        line.kind = Kind::Entry;
        line.general = general;
        line.key = key.toByteArray();
        line.valueAt = equals + 1;
        while (line.valueAt < view.size() && IsBlank(view[line.valueAt])) ++line.valueAt;
    }
    return line;
}

std::optional<std::size_t> TSettingsText::Find(std::string_view name) const {
    const QByteArrayView wanted(name.data(), static_cast<qsizetype>(name.size()));
    for (std::size_t i = lines_.size(); i-- > 0;) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Entry && line.general && line.key == wanted) return i;
    }
    return std::nullopt;
}

std::optional<QString> TSettingsText::Value(std::string_view name) const {
    const std::optional<std::size_t> at = Find(name);
    if (!at) return std::nullopt;
    const Line& line = lines_[*at];
    return DecodeValue(QByteArrayView(line.text).sliced(line.valueAt));
}

bool TSettingsText::SetValue(std::string_view name, const QString& text) {
    if (Value(name) == text) return false;
    if (const std::optional<std::size_t> at = Find(name)) {
        Line& line = lines_[*at];
        line.text = line.text.left(line.valueAt) + EncodeValue(text);
    } else {
        Insert(name, text);
    }
    return true;
}

void TSettingsText::Insert(std::string_view name, const QString& text) {
    // After the last entry of [General]; else after its header; else a new
    // [General] at the end of the file.
    std::size_t after = lines_.size();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].general && lines_[i].kind == Kind::Entry) after = i;
    }
    if (after == lines_.size()) {
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            if (lines_[i].general && lines_[i].kind == Kind::Section) {
                after = i;
                break;
            }
        }
    }
    QByteArray end = "\n";
    if (!lines_.empty()) {
        Line& before = lines_[after == lines_.size() ? lines_.size() - 1 : after];
        if (before.end.isEmpty()) before.end = end;
        end = before.end;
    }
    bool general = true;
    Line entry = Parse(
        QByteArray(name.data(), static_cast<qsizetype>(name.size())) + '=' + EncodeValue(text), end,
        general);
    if (after == lines_.size()) {
        lines_.push_back(Parse("[General]", end, general));
        lines_.push_back(std::move(entry));
    } else {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after) + 1, std::move(entry));
    }
}

QByteArray TSettingsText::Bytes() const {
    QByteArray out;
    for (const Line& line : lines_) out += line.text + line.end;
    return out;
}
