#pragma once
// The picker's four remembered choices in comp.ini: each setting is a key of its own name in a
// section of its own name ("Type", "Drive", "Dir", "Tick").

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vorrindel::settings {

struct SavedSettings {
    std::string type;
    std::string drive;
    std::string dir;
    std::string tick;
};

class SettingsFile {
public:
    explicit SettingsFile(std::filesystem::path file);

    // $XDG_CONFIG_HOME/vorrindel/comp.ini, or ~/.config/vorrindel/comp.ini when that is unset or
    // not absolute.
    static std::filesystem::path defaultLocation();

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
    std::filesystem::path file_;
};

}  // namespace vorrindel::settings
