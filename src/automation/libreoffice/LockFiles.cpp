#include "automation/libreoffice/LockFiles.h"

#include <pwd.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

namespace vorrindel::automation::libreoffice {

std::string lockFilePathFor(std::string_view documentPath) {
    std::filesystem::path p{std::string(documentPath)};
    return (p.parent_path() / (".~lock." + p.filename().string() + "#")).string();
}

std::optional<LockOwner> parseLockFile(std::string_view content) {
    // "user,sysuser,host,time,profileurl;" with ',' ';' and '\' escaped by a backslash.
    std::vector<std::string> fields(1);
    bool ended = false;
    for (std::size_t i = 0; i < content.size() && !ended; ++i) {
        char c = content[i];
        if (c == '\\' && i + 1 < content.size()) {
            fields.back().push_back(content[++i]);
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == ';') {
            ended = true;
        } else if (c != '\n' && c != '\r') {
            fields.back().push_back(c);
        }
    }
    if (!ended || fields.size() < 5) return std::nullopt;
    return LockOwner{fields[0], fields[1], fields[2], fields[3], fields[4]};
}

std::string currentUserName() {
    if (passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return pw->pw_name;
    return std::to_string(getuid());
}

std::string currentHostName() {
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) != 0) return {};
    return buf;
}

std::string describeLockOwner(const LockOwner& owner) {
    std::string who = !owner.user.empty() ? owner.user : owner.sysUser;
    if (who.empty()) who = "another user";
    std::string text = who;
    if (!owner.host.empty()) text += " on " + owner.host;
    if (!owner.time.empty()) text += " since " + owner.time;
    return text;
}

}  // namespace vorrindel::automation::libreoffice
