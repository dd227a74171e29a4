#pragma once
// The office's lock files (".~lock.<name>#" beside the document) and who they name.

#include <optional>
#include <string>
#include <string_view>

namespace vorrindel::automation::libreoffice {

// Who holds an office lock file.
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

// Readable description of what a lock owner is ("alice on host1 since 07.12.2026 10:00").
std::string describeLockOwner(const LockOwner& owner);

}  // namespace vorrindel::automation::libreoffice
