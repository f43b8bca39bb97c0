#include "shell/Strconv.h"

#include <QLineEdit>
#include <QString>

#include "snmp/Snmp.h"

std::string TextToBuffer(const QString& text) {
    QByteArray bytes = text.toLocal8Bit();
    auto size = static_cast<std::size_t>(bytes.size());
    if (size > kMaxText) {
        size = kMaxText;
        // Never leave half of a UTF-8 sequence at the end.
        while (size > 0 &&
               (static_cast<unsigned char>(bytes[static_cast<qsizetype>(size)]) & 0xC0) == 0x80)
            --size;
    }
    return {bytes.constData(), size};
}

void EditTextToBuffer(const QLineEdit* edit, std::string& buffer) {
    buffer = edit ? TextToBuffer(edit->text()) : std::string();
}
