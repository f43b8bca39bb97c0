// The program's per-user settings key: open it, read or write one typed value
// at a time, close it. On Linux the key is the file
// $XDG_CONFIG_HOME/Quillot/<name>.conf (default ~/.config), its values the
// entries of the [General] section (see SettingsText.h for how they read);
// on Windows it is the registry key HKEY_CURRENT_USER\Software\Quillot\<name>.
//
// Nothing here reports an error: a key that cannot be opened, read or written
// leaves every read at its default and loses every write, and the program
// runs on with its defaults. What is not a settings file of ours (a folder, a
// script, binary data, a file past kMaxFileSize) is never read nor written.
#pragma once

#include <QtGlobal>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class QString;
class TSettingsHandle;

class SettingsKey {
public:
    // The largest settings file we read. Far above what we write, so that
    // no save can make a file we would refuse: a save that would pass it is
    // not made.
    static constexpr qint64 kMaxFileSize = 1024 * 1024;

    SettingsKey();
    ~SettingsKey();
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;

    // Creates or opens the key. `created` tells whether it did not exist.
    // Without `mayCreate` a missing key stays missing: every read yields its
    // default, and nothing is written.
    void Open(std::string_view settingsName, bool mayCreate = true);

    // Fills `out` with the stored text, or with `defaultText` when there is
    // none or the key is unusable. A buffer of `size` bytes holds size - 1
    // bytes of text and its terminator: a longer stored text is cut to its
    // first size - 1 bytes (a character split by the cut goes whole). In a
    // newly created key the default is stored instead.
    void ReadString(const char* valueName, std::string_view defaultText, std::string& out,
                    std::size_t size);
    // The stored number, or `defaultValue` when there is none or the stored
    // value is not a number. In a newly created key the default is stored.
    std::int32_t ReadInteger(const char* valueName, std::int32_t defaultValue);
    // Whether the stored value switches something on. It fails closed: only
    // a missing or empty value or a number 0 means off; any other number,
    // and any text that is no number ("yes", "true", "on"), means on. In a
    // newly created key 0 is stored.
    bool ReadFlag(const char* valueName);

    void WriteString(const char* valueName, std::string_view text);
    void WriteInteger(const char* valueName, std::int32_t number);

    // Writes what changed and closes the key.
    void Close();

    // The settings file of `settingsName` (empty on Windows, where the
    // registry holds the key).
    static QString FileName(std::string_view settingsName);

    std::unique_ptr<TSettingsHandle> handle;  // none while closed, or when the key is unusable
    bool created = false;                     // Open made the key: it did not exist before
};
