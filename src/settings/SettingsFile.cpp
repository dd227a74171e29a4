#include "settings/SettingsFile.h"

#include "settings/FileStore.h"
#include "settings/IniText.h"

#include <system_error>
#include <utility>

namespace vorrindel::settings {
namespace {

// The setting `name`, kept as a key of that name in a section of that name. It comes back whole,
// however long: a cut folder path would restore another folder.
std::string storedValue(std::string_view text, std::string_view name) {
    return ini::lookup(text, name, name).value_or("");
}

}  // namespace

SettingsFile::SettingsFile(std::filesystem::path file, std::vector<std::filesystem::path> legacy)
    : file_(std::move(file)), legacy_(std::move(legacy)) {}

std::filesystem::path SettingsFile::defaultLocation() { return store::defaultLocation(); }

SettingsFile SettingsFile::standard() { return SettingsFile(store::defaultLocation(), store::legacyLocations()); }

// The file's text; while it does not exist, the first earlier version's file that does. An earlier
// file that cannot be read is passed over: it only ever offers a starting point.
std::optional<std::string> SettingsFile::readText(const std::filesystem::path& file, std::string& reason) const {
    std::optional<std::string> text = store::readWhole(file, reason);
    if (text || !reason.empty()) return text;
    for (const auto& earlier : legacy_) {
        std::string ignored;
        if (const auto bytes = store::readWhole(earlier, ignored)) return store::decodeLegacy(*bytes);
    }
    return std::nullopt;
}

std::string SettingsFile::readSetting(std::string_view name, std::string* error) const {
    std::string reason;
    std::optional<std::string> text = readText(file_, reason);
    if (error) *error = reason;
    if (!text || !ini::isValidName(name)) return {};
    return storedValue(*text, name);
}

SavedSettings SettingsFile::readAll(std::string* error) const {
    std::string reason;
    std::optional<std::string> text = readText(file_, reason);
    if (error) *error = reason;
    if (!text) return {};
    return {storedValue(*text, "Type"), storedValue(*text, "Drive"), storedValue(*text, "Dir"),
            storedValue(*text, "Tick")};
}

std::optional<std::string> SettingsFile::writeSetting(std::string_view name, std::string_view value) {
    if (!ini::isValidName(name)) return "cannot store a setting named \"" + std::string(name) + "\"";
    if (!ini::isValidValue(value))
        return "cannot store " + std::string(name) + ": the value holds a line break or NUL";

    const std::filesystem::path target = store::linkTarget(file_);
    std::string reason;
    std::optional<std::string> old = readText(target, reason);
    if (!reason.empty()) return reason;  // never replace a file that could not be read whole
    // A value already stored as it is needs no write, even to a file that may not be written.
    if (old && ini::assign(*old, name, name, value) == *old) return std::nullopt;
    if (auto refused = store::refuseToWrite(target)) return refused;

    if (target.has_parent_path()) {
        std::error_code ec;
        std::filesystem::create_directories(target.parent_path(), ec);
        if (ec) return "cannot create folder " + target.parent_path().string() + ": " + ec.message();
    }

    store::WriteLock lock(target);
    if (lock.error()) return lock.error();
    // Read again under the lock: another running copy may have saved in between.
    old = readText(target, reason);
    if (!reason.empty()) return reason;
    std::string text = ini::assign(old.value_or(""), name, name, value);
    if (old && text == *old) return std::nullopt;  // nothing changed: leave the file alone
    return store::replaceFile(target, text);
}

}  // namespace vorrindel::settings
