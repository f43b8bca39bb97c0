// The text of a settings file as it stands on disk, line by line: the values
// of its [General] section, and the few lines a save changes. Every other
// line (comments, other sections, keys we do not know, lines we cannot read
// at all, their order) is kept byte for byte.
//
// A value is everything after the first '=' of its line, without the blanks
// around the '=' and at the end of the line: ';', '#' and inner blanks belong
// to it, as they would in the registry. Two forms of earlier versions, which
// wrote through QSettings, read as QSettings reads them: a value wholly in
// double quotes, and the backslash escapes QSettings writes (\\ \" \0 \a \b
// \f \n \r \t \v \xhh); any other backslash stands for itself.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

// The text a value stands for; none for QSettings' "@Invalid()", which
// stores nothing.
std::optional<QString> DecodeValue(QByteArrayView value);

// `text` as a value that reads back exactly, here and in QSettings: what
// QSettings writes, with DEL escaped too so the file stays plain text.
QByteArray EncodeValue(const QString& text);

class TSettingsText {
public:
    explicit TSettingsText(const QByteArray& bytes = {});

    // False for what is not a settings file, which is neither read nor
    // rewritten: what is not text at all (a zero byte, or another control
    // character than white space), or a script (its first line "#!"). A
    // line that is neither blank, a comment (';' or '#' first), a [section]
    // nor name=value is a typo, kept as it stands like a comment: it does
    // not cost the rest of the file, the restore password among it.
    bool IsSettings() const { return isSettings_; }

    // The value of `name` in [General] (or before any section, which
    // QSettings counts as [General]); where it appears twice, the last one.
    std::optional<QString> Value(std::string_view name) const;

    // Makes `name` read as `text`: its line takes the new value after its
    // '=', or a new line goes at the end of [General]. Nothing changes when
    // it reads so already. True when the text changed.
    bool SetValue(std::string_view name, const QString& text);

    QByteArray Bytes() const;

private:
    enum class Kind { Blank, Comment, Section, Entry, Other };
    struct Line {
        QByteArray text;  // without its line end
        QByteArray end;   // "\n", "\r\n", or nothing for a last line without one
        Kind kind = Kind::Other;
        bool general = false;   // an entry of [General], or its header
        QByteArray key;         // of an entry, trimmed
        qsizetype valueAt = 0;  // of an entry, where its value starts
    };

    static Line Parse(QByteArray text, QByteArray end, bool& general);
    std::optional<std::size_t> Find(std::string_view name) const;
    void Insert(std::string_view name, const QString& text);

    std::vector<Line> lines_;
    bool isSettings_ = true;
};
