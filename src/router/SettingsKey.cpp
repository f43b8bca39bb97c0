#include "router/SettingsKey.h"

#include <QString>
#include <QVariant>
#include <optional>
#include <utility>
#include <vector>

#include "snmp/Strutil.h"

#ifdef _WIN32
#include <QSettings>
#include <QStringList>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

#include "router/SettingsText.h"
#endif

namespace {

QString Text(std::string_view text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

// A stored number as text: decimal, or a 32-bit pattern written as unsigned,
// as registry tools show a DWORD.
std::optional<std::int32_t> Number(const QString& stored) {
    const QString text = stored.trimmed();
    bool ok = false;
    const std::int32_t number = text.toInt(&ok);
    if (ok) return number;
    const std::uint32_t pattern = text.toUInt(&ok);
    if (ok) return static_cast<std::int32_t>(pattern);
    return std::nullopt;
}

}  // namespace

#ifdef _WIN32

// The registry key, through QSettings.
class TSettingsHandle {
public:
    static std::unique_ptr<TSettingsHandle> Open(std::string_view settingsName, bool mayCreate,
                                                 bool& created) {
        auto handle = std::make_unique<TSettingsHandle>();
        handle->settings_ =
            std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                        QStringLiteral("Quillot"), Text(settingsName));
        created = handle->settings_->allKeys().isEmpty();
        if (created && !mayCreate) return nullptr;
        return handle;
    }

    std::optional<QString> Read(const char* valueName) const {
        const QVariant value = settings_->value(QLatin1String(valueName));
        if (!value.isValid()) return std::nullopt;
        if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(',');
        return value.toString();
    }

    void Write(const char* valueName, const QVariant& value) {
        settings_->setValue(QLatin1String(valueName), value);
    }

    void Close() { settings_->sync(); }

private:
    std::unique_ptr<QSettings> settings_;
};

#else

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
// How long a save waits for another copy of the program to finish its own.
constexpr int kLockWaitMs = 1000;

// The file holds the restore password: nobody but its owner may read it.
// Group and other rights go; the owner keeps what he had, so a file he made
// read-only stays read-only.
void KeepPrivate(const QString& fileName) {
    const QByteArray path = QFile::encodeName(fileName);
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

// The text of `fileName` when it is a regular file of a sane size that we
// can read, and reads as settings; none otherwise. `owned` tells whether we
// own it.
std::optional<TSettingsText> ReadSettingsFile(const QString& fileName, bool& owned) {
    struct stat st {};
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    owned = st.st_uid == ::geteuid();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    // The size is what we read, not what the file claimed a moment ago.
    const QByteArray bytes = file.read(SettingsKey::kMaxFileSize + 1);
    if (bytes.size() > SettingsKey::kMaxFileSize) return std::nullopt;
    TSettingsText text(bytes);
    if (!text.IsSettings()) return std::nullopt;
    return text;
}

// Replaces the file's contents. Our own file is replaced whole, never left
// half written; one that belongs to someone else is written in place, so it
// keeps its owner and mode.
void WriteSettingsFile(const QString& fileName, const QByteArray& bytes, bool owned) {
    if (owned) {
        QSaveFile file(fileName);
        file.setDirectWriteFallback(true);  // in a folder we may not write to
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) file.commit();
        return;
    }
    QFile file(fileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
}

}  // namespace

// The settings file: read once when the key opens; the values written meanwhile
// go into it when the key closes.
class TSettingsHandle {
public:
    static std::unique_ptr<TSettingsHandle> Open(const QString& fileName, bool mayCreate,
                                                 bool& created) {
        const QFileInfo info(fileName);
        if (!info.exists() && !info.isSymLink()) {
            if (!mayCreate) return nullptr;
            created = CreatePrivateFile(fileName);
            // Made by another copy of the program meanwhile: read it as it is.
            if (!created && !QFileInfo::exists(fileName)) return nullptr;
        }
        // A symlink is followed to the file it names; a dangling one, a
        // folder, a device, a huge or foreign file is left alone: reading it
        // could hang or exhaust memory, and writing would destroy it.
        const QString target = QFileInfo(fileName).canonicalFilePath();
        if (target.isEmpty()) return nullptr;
        bool owned = false;
        std::optional<TSettingsText> text = ReadSettingsFile(target, owned);
        if (!text) return nullptr;
        if (owned) KeepPrivate(target);
        auto handle = std::make_unique<TSettingsHandle>();
        handle->fileName_ = fileName;
        handle->target_ = target;
        handle->text_ = std::move(*text);
        return handle;
    }

    std::optional<QString> Read(const char* valueName) const {
        for (auto write = writes_.rbegin(); write != writes_.rend(); ++write) {
            if (write->first == valueName) return write->second;
        }
        return text_.Value(valueName);
    }

    void Write(const char* valueName, const QVariant& value) {
        writes_.emplace_back(valueName, value.toString());
    }

    // Writes the values into the file as it is now, so that what another
    // copy of the program saved meanwhile stays, as it would in the registry.
    void Close() {
        if (writes_.empty()) return;
        // The lock that QSettings takes, so older copies keep out too.
        QLockFile lock(fileName_ + QStringLiteral(".lock"));
        if (!lock.tryLock(kLockWaitMs)) return;
        if (!QFileInfo::exists(target_) && !CreatePrivateFile(target_)) return;
        bool owned = false;
        std::optional<TSettingsText> now = ReadSettingsFile(target_, owned);
        if (!now) return;
        bool changed = false;
        for (const auto& [name, text] : writes_) changed = now->SetValue(name, text) || changed;
        if (!changed) return;
        // Never a file we would refuse to read.
        const QByteArray bytes = now->Bytes();
        if (bytes.size() > SettingsKey::kMaxFileSize) return;
        WriteSettingsFile(target_, bytes, owned);
        if (owned) KeepPrivate(target_);
    }

private:
    QString fileName_;  // as named; its lock goes beside it
    QString target_;    // the file itself, symlinks followed
    TSettingsText text_;
    std::vector<std::pair<std::string, QString> > writes_;
};

#endif

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

void SettingsKey::Open(std::string_view settingsName, bool mayCreate) {
    Close();
    created = false;
#ifdef _WIN32
    handle = TSettingsHandle::Open(settingsName, mayCreate, created);
#else
    handle = TSettingsHandle::Open(FileName(settingsName), mayCreate, created);
#endif
    if (!handle) created = false;
}

void SettingsKey::ReadString(const char* valueName, std::string_view defaultText, std::string& out,
                             std::size_t size) {
    if (defaultText.data() != out.data() || defaultText.size() != out.size()) {
        out.assign(defaultText);
    }
    if (!handle) return;
    if (created) {
        handle->Write(valueName, Text(defaultText));
        return;
    }
    const std::optional<QString> stored = handle->Read(valueName);
    if (!stored || size == 0) return;
    QByteArray bytes = stored->toLocal8Bit();
    // Texts end at their first zero byte, as they do in the registry.
    if (const qsizetype zero = bytes.indexOf('\0'); zero >= 0) bytes.truncate(zero);
    out.assign(CutText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                       size - 1));
}

std::int32_t SettingsKey::ReadInteger(const char* valueName, std::int32_t defaultValue) {
    if (!handle) return defaultValue;
    if (created) {
        handle->Write(valueName, defaultValue);
        return defaultValue;
    }
    const std::optional<QString> stored = handle->Read(valueName);
    return stored ? Number(*stored).value_or(defaultValue) : defaultValue;
}

bool SettingsKey::ReadFlag(const char* valueName) {
    if (!handle) return false;
    if (created) {
        handle->Write(valueName, 0);
        return false;
    }
    const std::optional<QString> stored = handle->Read(valueName);
    if (!stored || stored->trimmed().isEmpty()) return false;
    const std::optional<std::int32_t> number = Number(*stored);
    return !number || *number != 0;
}

void SettingsKey::WriteString(const char* valueName, std::string_view text) {
    if (handle) handle->Write(valueName, Text(text.substr(0, text.find('\0'))));
}

void SettingsKey::WriteInteger(const char* valueName, std::int32_t number) {
    if (handle) handle->Write(valueName, number);
}

void SettingsKey::Close() {
    if (!handle) return;
    handle->Close();
    handle.reset();
}
