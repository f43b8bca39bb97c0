// The program's per-user settings key: open it, read or write one typed value
// at a time, close it. On Linux the key is the file
// $XDG_CONFIG_HOME/Quillot/<name>.conf (default ~/.config), its values the
// entries of the [General] section; on Windows it is the registry key
// HKEY_CURRENT_USER\Software\Quillot\<name>.
//
// Nothing here reports an error: a key that cannot be opened, read or written
// leaves every read at its default and loses every write, and the program
// runs on with its defaults.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class QSettings;

class SettingsKey {
public:
    // A settings file larger than this is not ours: it is neither read nor
    // written.
    static constexpr qint64 kMaxFileSize = 64 * 1024;

    SettingsKey();
    ~SettingsKey();
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;

    // Creates or opens the key. `created` tells whether it did not exist.
    void Open(std::string_view settingsName);

    // Fills `out` with the stored text, or with `defaultText` when there is
    // none, when it does not fit `size` bytes with its terminating zero in
    // the read capacity of `size` - 1 bytes, or when the key is unusable.
    // In a newly created key the default is stored instead.
    void ReadString(const char* valueName, std::string_view defaultText, std::string& out,
                    std::size_t size);
    // The stored number, or `defaultValue` when there is none or the stored
    // value is not a number. In a newly created key the default is stored.
    std::int32_t ReadInteger(const char* valueName, std::int32_t defaultValue);

    void WriteString(const char* valueName, std::string_view text);
    void WriteInteger(const char* valueName, std::int32_t number);

    // Writes what changed and closes the key.
    void Close();

    // The settings file of `settingsName` (empty on Windows, where the
    // registry holds the key).
    static QString FileName(std::string_view settingsName);

    std::unique_ptr<QSettings> handle;  // none while closed, or when the key is unusable
    bool created = false;               // Open made the key: it did not exist before

private:
    QString fileName_;
};
