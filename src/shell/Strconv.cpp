#include "shell/Strconv.h"

#include <QLineEdit>
#include <QString>

#include "snmp/Limits.h"
#include "snmp/Strutil.h"

std::string TextToBuffer(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    return std::string(CutText(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), kMaxText));
}

void EditTextToBuffer(const QLineEdit* edit, std::string& buffer) {
    buffer = edit ? TextToBuffer(edit->text()) : std::string();
}
