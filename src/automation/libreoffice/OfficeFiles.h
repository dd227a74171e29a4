#pragma once
// Pieces of the backend that need no office: file URLs, document names, lock files, the office
// process and its profile.

#include <signal.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorrindel::automation::libreoffice {

// The kinds of document an application object sees; Access databases are shown as Base documents.
enum class DocKind { Spreadsheet, Text, Presentation, Database };

// Paths and names are bytes, as the file system holds them; they need not be UTF-8. URLs carry
// every byte that is not a plain URL character as its own escape, so a name that is not UTF-8
// reaches the office, and comes back from it, unchanged.

// file:// URL of an absolute path.
std::string fileUrlFromPath(std::string_view path);
// Local path of a file:// URL; nullopt for other schemes and other hosts.
std::optional<std::string> pathFromFileUrl(std::string_view url);
// Last segment of a location URL, decoded ("" for an untitled document).
std::string fileNameFromUrl(std::string_view url);
// File name less its extension (the part from the last dot on); a leading dot is not one.
std::string withoutExtension(std::string_view name);
bool isValidUtf8(std::string_view s);
// Equality of two names with letter case ignored; a name that is not UTF-8 matches only itself,
// byte for byte.
bool sameNameIgnoringCase(std::string_view a, std::string_view b);
// Why the office could not open the file at `path`, when this process can tell beforehand (the
// office runs as the same user): it is missing, its folder is gone or cannot be entered, it is a
// folder or no regular file, or it cannot be read. nullopt when nothing stands in the way.
std::optional<std::string> unopenableCause(const std::string& path);

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

// The profile folder an office uses: `profileDir`, or the user's own when that is empty.
std::string profileFolder(std::string_view profileDir);
// This program's own folders: `given`, or when that is empty the one named by the XDG variable
// `xdgVariable` (when set to an absolute path), else `homeFallback` below the home folder; each
// with "/vorrindel" appended. Cache: XDG_CACHE_HOME and ".cache"; data: XDG_DATA_HOME and
// ".local/share".
std::string programFolder(std::string_view given, const char* xdgVariable, std::string_view homeFallback);
// The name of the pipe an office accepts this program's connections on. It is derived from the
// profile folder and the display, so that sessions of one user with different homes or displays
// never reach each other's office.
std::string sessionPipeName(std::string_view profileDir, std::string_view display);
// Why an office could not start on that profile folder (it cannot be created or written), or
// nullopt. Starting one anyway leaves the office's own error box on screen.
std::optional<std::string> profileProblem(const std::string& folder);

// Writes the minimum of a profile that spares a fresh private office its first-start work.
void seedPrivateProfile(const std::string& profileDir);

// Variables to set in a started program's environment, over those of this process.
using Environment = std::vector<std::pair<std::string, std::string>>;
// Starts the office detached from this process: own session, output to /dev/null, no inherited
// descriptors, this process's environment with `environment` set on top (this process's own stays
// as it is). Returns the pid of the started program, or -1 with `error` set.
int spawnOffice(const std::string& program, const std::vector<std::string>& args, const Environment& environment,
                std::string& error);
// A write to an office that died must fail, not end this process. Threads started from the
// calling thread afterwards inherit the mask.
void blockBrokenPipeSignal();
// Blocks the broken-pipe signal on this thread for its lifetime, for code that may write to an
// office that died on a thread this backend does not own; one raised meanwhile is discarded.
class BrokenPipeSignalBlocked {
public:
    BrokenPipeSignalBlocked();
    ~BrokenPipeSignalBlocked();
    BrokenPipeSignalBlocked(const BrokenPipeSignalBlocked&) = delete;
    BrokenPipeSignalBlocked& operator=(const BrokenPipeSignalBlocked&) = delete;

private:
    bool wasBlocked_ = true;
    sigset_t saved_{};
};
// Reaps a started program when it has ended; true when it ended.
bool reapIfEnded(int pid);
// Pid of a running soffice.bin whose command line contains `marker`, or 0.
int findOfficeProcess(std::string_view marker);

}  // namespace vorrindel::automation::libreoffice
