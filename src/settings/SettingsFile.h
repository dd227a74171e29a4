#pragma once
// The picker's four remembered choices in comp.ini: each setting is a key of its own name in a
// section of its own name ("Type", "Drive", "Dir", "Tick").

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorrindel::settings {

struct SavedSettings {
    std::string type;
    std::string drive;
    std::string dir;
    std::string tick;
};

class SettingsFile {
public:
    // `legacy`: files an earlier version wrote, read in that order while `file` does not exist yet
    // and never written; the first save to `file` carries their content over.
    explicit SettingsFile(std::filesystem::path file, std::vector<std::filesystem::path> legacy = {});

    // Linux: $XDG_CONFIG_HOME/vorrindel/comp.ini, or ~/.config/vorrindel/comp.ini when that is unset
    // or not absolute. Windows: %APPDATA%\Vorrindel\comp.ini.
    static std::filesystem::path defaultLocation();
    // The settings file at defaultLocation(), with the places an earlier version kept it (on
    // Windows: comp.ini in the Windows folder, or the copy the system redirected it to).
    static SettingsFile standard();

    const std::filesystem::path& path() const { return file_; }

    // The value stored under `name`; empty when the file, section or key is missing. When the file
    // exists but cannot be read, the value is empty and `error` (if given) gets the reason.
    std::string readSetting(std::string_view name, std::string* error = nullptr) const;

    // All four values from one read of the file.
    SavedSettings readAll(std::string* error = nullptr) const;

    // Stores `value` under `name`, creating the folder, file or section as needed and keeping every
    // other byte of the file. Returns a readable reason when nothing was stored (a value holding a
    // line break, an unwritable folder, ...), nothing on success.
    std::optional<std::string> writeSetting(std::string_view name, std::string_view value);

private:
    std::optional<std::string> readText(const std::filesystem::path& file, std::string& reason) const;

    std::filesystem::path file_;
    std::vector<std::filesystem::path> legacy_;
};

}  // namespace vorrindel::settings
