#include "automation/libreoffice/OfficeFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vorrindel::automation::libreoffice {

namespace {

bool unreserved(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::strchr("-._~/!$&'()*+,;=:@", c) != nullptr;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2])));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

// Decodes UTF-8; malformed bytes pass through as themselves so that comparison stays total.
std::u32string decodeUtf8(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size()) {
            out.push_back(c);
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (!ok) {
            out.push_back(c);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += extra + 1;
    }
    return out;
}

// Simple case folding over the scripts file names commonly use.
char32_t foldCase(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    // Latin Extended-A: upper and lower case alternate, the upper one first in each pair.
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c % 2 == 0 ? c + 1 : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return c % 2 == 1 ? c + 1 : c;
    if (c == 0x178) return 0xFF;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> splitNul(const std::string& s) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < s.size()) {
        std::size_t end = s.find('\0', start);
        if (end == std::string::npos) end = s.size();
        out.push_back(s.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::string trimSlash(std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

// Command lines of this user's running soffice.bin processes, by pid.
template <class F>
void forEachOfficeProcess(F&& f) {
    DIR* dir = opendir("/proc");
    if (!dir) return;
    uid_t me = getuid();
    while (dirent* e = readdir(dir)) {
        char* end = nullptr;
        long pid = std::strtol(e->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') continue;
        std::string base = std::string("/proc/") + e->d_name;
        struct stat st {};
        if (stat(base.c_str(), &st) != 0 || st.st_uid != me) continue;
        auto args = splitNul(readFile(base + "/cmdline"));
        if (args.empty() || std::filesystem::path(args[0]).filename() != "soffice.bin") continue;
        // A zombie keeps its entry but runs nothing.
        std::string status = readFile(base + "/stat");
        auto close = status.rfind(')');
        if (close != std::string::npos && close + 2 < status.size() && status[close + 2] == 'Z') continue;
        if (f(static_cast<int>(pid), args)) break;
    }
    closedir(dir);
}

}  // namespace

std::string fileUrlFromPath(std::string_view path) {
    static const char* hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        if (unreserved(c)) {
            url.push_back(static_cast<char>(c));
        } else {
            url.push_back('%');
            url.push_back(hex[c >> 4]);
            url.push_back(hex[c & 15]);
        }
    }
    return url;
}

std::optional<std::string> pathFromFileUrl(std::string_view url) {
    constexpr std::string_view prefix = "file://";
    if (url.substr(0, prefix.size()) != prefix) return std::nullopt;
    url.remove_prefix(prefix.size());
    if (url.substr(0, 9) == "localhost") url.remove_prefix(9);
    if (url.empty() || url.front() != '/') return std::nullopt;
    return percentDecode(url);
}

std::string fileNameFromUrl(std::string_view url) {
    auto q = url.find_first_of("?#");
    if (q != std::string_view::npos) url = url.substr(0, q);
    auto slash = url.rfind('/');
    return percentDecode(slash == std::string_view::npos ? url : url.substr(slash + 1));
}

std::string withoutExtension(std::string_view name) {
    auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return std::string(name);
    return std::string(name.substr(0, dot));
}

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    auto ua = decodeUtf8(a), ub = decodeUtf8(b);
    if (ua.size() != ub.size()) return false;
    for (std::size_t i = 0; i < ua.size(); ++i)
        if (foldCase(ua[i]) != foldCase(ub[i])) return false;
    return true;
}

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

std::string profileUrlFor(std::string_view profileDir) {
    if (!profileDir.empty()) return trimSlash(fileUrlFromPath(profileDir));
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && *config) {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.config";
    }
    return trimSlash(fileUrlFromPath(base + "/libreoffice/4"));
}

bool officeRunsOnProfile(std::string_view profileUrl, bool isDefault) {
    bool found = false;
    std::string wanted = trimSlash(std::string(profileUrl));
    forEachOfficeProcess([&](int, const std::vector<std::string>& args) {
        std::optional<std::string> own;
        for (const auto& a : args) {
            constexpr std::string_view key = "-env:UserInstallation=";
            if (a.rfind(key, 0) == 0) own = trimSlash(a.substr(key.size()));
        }
        found = own ? *own == wanted : isDefault;
        return found;
    });
    return found;
}

std::string describeLockOwner(const LockOwner& owner) {
    std::string who = !owner.user.empty() ? owner.user : owner.sysUser;
    if (who.empty()) who = "another user";
    std::string text = who;
    if (!owner.host.empty()) text += " on " + owner.host;
    if (!owner.time.empty()) text += " since " + owner.time;
    return text;
}

namespace {

// What each kind of document needs installed, and what the user knows it as.
struct KindFacts {
    std::string_view application;
    std::string_view package;
    std::string_view module;  // the application's library in the office's program folder
};

const KindFacts& factsOf(DocKind kind) {
    static constexpr KindFacts kSpreadsheet{"LibreOffice Calc", "libreoffice-calc", "libsclo.so"};
    static constexpr KindFacts kText{"LibreOffice Writer", "libreoffice-writer", "libswlo.so"};
    static constexpr KindFacts kPresentation{"LibreOffice Impress", "libreoffice-impress", "libsdlo.so"};
    switch (kind) {
    case DocKind::Spreadsheet: return kSpreadsheet;
    case DocKind::Text: return kText;
    case DocKind::Presentation: return kPresentation;
    }
    return kSpreadsheet;
}

}  // namespace

std::string_view packageFor(DocKind kind) { return factsOf(kind).package; }
std::string_view moduleFileFor(DocKind kind) { return factsOf(kind).module; }
std::string_view appNameFor(DocKind kind) { return factsOf(kind).application; }

void seedPrivateProfile(const std::string& profileDir) {
    namespace fs = std::filesystem;
    fs::path user = fs::path(profileDir) / "user";
    fs::path xcu = user / "registrymodifications.xcu";
    std::error_code ec;
    if (fs::exists(xcu, ec)) return;
    fs::create_directories(user, ec);
    // Without the last version the office redoes its first-start work (a graphics self-test) at
    // every start; the tips dialog would sit modal over the first document.
    std::ofstream out(xcu);
    out << R"(<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Setup/Product"><prop oor:name="ooSetupLastVersion" oor:op="fuse"><value>7.4</value></prop></item>
<item oor:path="/org.openoffice.Setup/Office"><prop oor:name="ooSetupInstCompleted" oor:op="fuse"><value>true</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="ShowTipOfTheDay" oor:op="fuse"><value>false</value></prop></item>
</oor:items>
)";
}

int spawnOffice(const std::string& program, const std::vector<std::string>& args, std::string& error) {
    // Everything the child needs is prepared before fork: only async-signal-safe calls after it.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        error = std::string("cannot start the office: ") + std::strerror(errno);
        return -1;
    }
    if (pid == 0) {
        setsid();
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, 0);
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        for (int fd = 3; fd < 4096; ++fd) close(fd);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

bool reapIfEnded(int pid) {
    if (pid <= 0) return true;
    int status = 0;
    pid_t r = waitpid(pid, &status, WNOHANG);
    return r == pid || (r < 0 && errno == ECHILD);
}

int findOfficeProcess(std::string_view marker) {
    int found = 0;
    forEachOfficeProcess([&](int pid, const std::vector<std::string>& args) {
        for (const auto& a : args) {
            if (a.find(marker) != std::string::npos) {
                found = pid;
                return true;
            }
        }
        return false;
    });
    return found;
}

}  // namespace vorrindel::automation::libreoffice
