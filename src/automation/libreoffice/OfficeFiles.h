#pragma once
// Pieces of the backend that need no office: file URLs, document names, lock files, the office
// process and its profile.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorrindel::automation::libreoffice {

// The kinds of document an application object sees.
enum class DocKind { Spreadsheet, Text, Presentation };

// file:// URL of an absolute path, bytes outside the unreserved set percent-encoded.
std::string fileUrlFromPath(std::string_view path);
// Local path of a file:// URL, percent-decoded; nullopt for other schemes.
std::optional<std::string> pathFromFileUrl(std::string_view url);
// Last segment of a location URL, percent-decoded ("" for an untitled document).
std::string fileNameFromUrl(std::string_view url);
// File name less its extension (the part from the last dot on); a leading dot is not one.
std::string withoutExtension(std::string_view name);
// Equality of two UTF-8 names with letter case ignored.
bool sameNameIgnoringCase(std::string_view a, std::string_view b);

// Who holds an office lock file (".~lock.<name>#" beside the document).
struct LockOwner {
    std::string user;        // name from the office profile, may be empty
    std::string sysUser;     // login name
    std::string host;
    std::string time;
    std::string profileUrl;  // profile of the office holding the lock
};
std::string lockFilePathFor(std::string_view documentPath);
std::optional<LockOwner> parseLockFile(std::string_view content);

std::string currentUserName();
std::string currentHostName();
// Profile URL as an office writes it into lock files: file:// URL of the folder, no trailing slash.
std::string profileUrlFor(std::string_view profileDir);
// Whether some office process runs on the profile with that URL (user's default when `isDefault`).
bool officeRunsOnProfile(std::string_view profileUrl, bool isDefault);

// Readable description of what a lock owner is ("alice on host1 since 07.12.2026 10:00").
std::string describeLockOwner(const LockOwner& owner);

// Debian package holding the module of a document kind, and the module's file name.
std::string_view packageFor(DocKind kind);
std::string_view moduleFileFor(DocKind kind);
std::string_view appNameFor(DocKind kind);

// Writes the minimum of a profile that spares a fresh private office its first-start work.
void seedPrivateProfile(const std::string& profileDir);

// Starts the office detached from this process: own session, output to /dev/null, no inherited
// descriptors. Returns the pid of the started program, or -1 with `error` set.
int spawnOffice(const std::string& program, const std::vector<std::string>& args, std::string& error);
// Reaps a started program when it has ended; true when it ended.
bool reapIfEnded(int pid);
// Pid of a running soffice.bin whose command line contains `marker`, or 0.
int findOfficeProcess(std::string_view marker);

}  // namespace vorrindel::automation::libreoffice
