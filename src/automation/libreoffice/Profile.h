#pragma once
// The office's profile folder, this program's own folders, and the pipe name derived from them.

#include <optional>
#include <string>
#include <string_view>

namespace vorrindel::automation::libreoffice {

// The profile folder an office uses: `profileDir`, or the user's own when that is empty
// ($XDG_CONFIG_HOME when absolute, else ~/.config, with "libreoffice/4" appended).
std::string profileFolder(std::string_view profileDir);
// This program's own folders: `given`, or when that is empty the one named by the XDG variable
// `xdgVariable` (when set to an absolute path), else `homeFallback` below the home folder; each
// with "/vorrindel" appended. Cache: XDG_CACHE_HOME and ".cache"; data: XDG_DATA_HOME and
// ".local/share".
std::string programFolder(std::string_view given, const char* xdgVariable, std::string_view homeFallback);
// Profile URL as an office writes it into lock files: file:// URL of the folder, no trailing slash.
std::string profileUrlFor(std::string_view profileDir);
// The name of the pipe an office accepts this program's connections on. It is derived from the
// profile folder and the display, so that sessions of one user with different homes or displays
// never reach each other's office.
std::string sessionPipeName(std::string_view profileDir, std::string_view display);
// Why an office could not start on that profile folder (it cannot be created or written), or
// nullopt. Starting one anyway leaves the office's own error box on screen.
std::optional<std::string> profileProblem(const std::string& folder);

// Writes the minimum of a profile that spares a fresh private office its first-start work.
void seedPrivateProfile(const std::string& profileDir);

}  // namespace vorrindel::automation::libreoffice
