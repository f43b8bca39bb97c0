#include "router/SettingsKey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString Text(std::string_view text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

#ifndef _WIN32
// The file holds the restore password: nobody but its owner may read it.
// Group and other rights go; the owner keeps what he had, so a file he made
// read-only stays read-only.
void KeepPrivate(const QString& fileName) {
    QByteArray path = QFile::encodeName(fileName);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) return;
    if ((st.st_mode & 0177) != 0) ::chmod(path.constData(), st.st_mode & 0600);
}

// Makes the empty settings file, readable by its owner only from its first
// moment. False when it cannot be made.
bool CreatePrivateFile(const QString& fileName) {
    if (!QDir().mkpath(QFileInfo(fileName).absolutePath())) return false;
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly);
}

// True when `fileName` is a regular file of a sane size that we can read.
bool Readable(const QString& fileName) {
    QFileInfo info(fileName);
    if (!info.isFile() || info.size() > SettingsKey::kMaxFileSize) return false;
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly);
}
#endif

// A stored value as text. An unquoted comma in a hand-written file makes the
// value a list; the commas are put back.
QString TextOf(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(',');
    return value.toString();
}

}  // namespace

SettingsKey::SettingsKey() = default;

SettingsKey::~SettingsKey() { Close(); }

QString SettingsKey::FileName(std::string_view settingsName) {
#ifdef _WIN32
    (void)settingsName;
    return {};
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quillot/") + Text(settingsName) + QStringLiteral(".conf");
#endif
}

void SettingsKey::Open(std::string_view settingsName) {
    Close();
    created = false;
#ifdef _WIN32
    handle = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                         QStringLiteral("Quillot"), Text(settingsName));
    created = handle->allKeys().isEmpty();
#else
    fileName_ = FileName(settingsName);
    QFileInfo info(fileName_);
    if (info.exists() || info.isSymLink()) {
        // Something that is not a readable settings file of a sane size (a
        // folder, a device, a huge or unreadable file) is left alone: reading
        // it could hang or exhaust memory, and writing would destroy it.
        if (!Readable(fileName_)) return;
        KeepPrivate(fileName_);
    } else {
        if (!CreatePrivateFile(fileName_)) return;
        created = true;
    }
    handle = std::make_unique<QSettings>(fileName_, QSettings::IniFormat);
    if (handle->status() == QSettings::AccessError) handle.reset();
#endif
}

void SettingsKey::ReadString(const char* valueName, std::string_view defaultText, std::string& out,
                             std::size_t size) {
    if (defaultText.data() != out.data() || defaultText.size() != out.size()) {
        out.assign(defaultText);
    }
    if (!handle) return;
    if (created) {
        handle->setValue(QLatin1String(valueName), Text(defaultText));
        return;
    }
    QVariant stored = handle->value(QLatin1String(valueName));
    if (!stored.isValid()) return;
    QByteArray bytes = TextOf(stored).toLocal8Bit();
    // Texts end at their first zero byte, as they do in the registry.
    if (qsizetype zero = bytes.indexOf('\0'); zero >= 0) bytes.truncate(zero);
    // The text and its terminating zero must fit the read capacity of
    // size - 1 bytes; a longer one is not cut to a wrong address or password,
    // the default stays.
    if (size < 2 || static_cast<std::size_t>(bytes.size()) + 1 > size - 1) return;
    out.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::int32_t SettingsKey::ReadInteger(const char* valueName, std::int32_t defaultValue) {
    if (!handle) return defaultValue;
    if (created) {
        handle->setValue(QLatin1String(valueName), defaultValue);
        return defaultValue;
    }
    QString stored = TextOf(handle->value(QLatin1String(valueName))).trimmed();
    bool ok = false;
    std::int32_t number = stored.toInt(&ok);
    if (ok) return number;
    // A 32-bit pattern written as unsigned, as registry tools show a DWORD.
    std::uint32_t pattern = stored.toUInt(&ok);
    return ok ? static_cast<std::int32_t>(pattern) : defaultValue;
}

void SettingsKey::WriteString(const char* valueName, std::string_view text) {
    if (handle) handle->setValue(QLatin1String(valueName), Text(text));
}

void SettingsKey::WriteInteger(const char* valueName, std::int32_t number) {
    if (handle) handle->setValue(QLatin1String(valueName), number);
}

void SettingsKey::Close() {
    if (!handle) return;
    handle->sync();
    handle.reset();
#ifndef _WIN32
    // Writing replaces the file; make sure the new one is as private.
    if (QFileInfo(fileName_).isFile()) KeepPrivate(fileName_);
#endif
}
