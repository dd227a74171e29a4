#include "automation/libreoffice/OfficeFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <osl/file.hxx>
#include <rtl/textcvt.h>
#include <rtl/uri.hxx>
#include <rtl/ustring.hxx>

namespace vorrindel::automation::libreoffice {

namespace {

// Bytes as the characters U+0000 to U+00FF and back: the URI functions then escape and
// unescape each byte as itself, whatever encoding (if any) the name is in.
rtl::OUString bytesAsText(std::string_view s) {
    return rtl::OUString(s.data(), static_cast<sal_Int32>(s.size()), RTL_TEXTENCODING_ISO_8859_1);
}

std::string textAsBytes(const rtl::OUString& s) {
    rtl::OString bytes = rtl::OUStringToOString(s, RTL_TEXTENCODING_ISO_8859_1);
    return std::string(bytes.getStr(), static_cast<std::size_t>(bytes.getLength()));
}

std::string unescape(std::string_view s) {
    return textAsBytes(rtl::Uri::decode(bytesAsText(s), rtl_UriDecodeWithCharset, RTL_TEXTENCODING_ISO_8859_1));
}

// The code points of valid UTF-8.
std::u32string codePoints(std::string_view s) {
    rtl::OUString text(s.data(), static_cast<sal_Int32>(s.size()), RTL_TEXTENCODING_UTF8);
    std::u32string out;
    for (sal_Int32 i = 0; i < text.getLength();) out.push_back(text.iterateCodePoints(&i));
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
    // Segment by segment, so that the slashes stay and everything else a segment cannot hold
    // as it is (';', '?', '#', '%', spaces, bytes past ASCII) is escaped.
    std::string url = "file://";
    std::size_t start = 0;
    for (;;) {
        std::size_t slash = path.find('/', start);
        std::string_view segment = path.substr(start, slash == std::string_view::npos ? slash : slash - start);
        url += textAsBytes(rtl::Uri::encode(bytesAsText(segment), rtl_UriCharClassPchar, rtl_UriEncodeIgnoreEscapes,
                                            RTL_TEXTENCODING_ISO_8859_1));
        if (slash == std::string_view::npos) break;
        url += '/';
        start = slash + 1;
    }
    return url;
}

std::optional<std::string> pathFromFileUrl(std::string_view url) {
    // The office's own rules decide what is a local file URL (scheme, host, no query)...
    rtl::OUString systemPath;
    if (url.empty() ||
        osl::FileBase::getSystemPathFromFileURL(bytesAsText(url), systemPath) != osl::FileBase::E_None)
        return std::nullopt;
    // ...but decode as UTF-8 and so lose the bytes of names that are not: the path is taken from
    // the URL's own escapes instead.
    std::string_view rest = url.substr(url.find(':') + 1);
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        auto slash = rest.find('/');
        rest = slash == std::string_view::npos ? std::string_view("/") : rest.substr(slash);
    }
    return unescape(rest);
}

std::string fileNameFromUrl(std::string_view url) {
    auto q = url.find_first_of("?#");
    if (q != std::string_view::npos) url = url.substr(0, q);
    auto slash = url.rfind('/');
    return unescape(slash == std::string_view::npos ? url : url.substr(slash + 1));
}

std::string withoutExtension(std::string_view name) {
    auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return std::string(name);
    return std::string(name.substr(0, dot));
}

bool isValidUtf8(std::string_view s) {
    rtl::OUString text;
    return rtl_convertStringToUString(&text.pData, s.data(), static_cast<sal_Int32>(s.size()), RTL_TEXTENCODING_UTF8,
                                      RTL_TEXTTOUNICODE_FLAGS_UNDEFINED_ERROR |
                                          RTL_TEXTTOUNICODE_FLAGS_MBUNDEFINED_ERROR |
                                          RTL_TEXTTOUNICODE_FLAGS_INVALID_ERROR);
}

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (!isValidUtf8(a) || !isValidUtf8(b)) return a == b;
    auto ua = codePoints(a), ub = codePoints(b);
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

std::string profileFolder(std::string_view profileDir) {
    if (!profileDir.empty()) return std::string(profileDir);
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && *config) {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.config";
    }
    return base + "/libreoffice/4";
}

std::string programFolder(std::string_view given, const char* xdgVariable, std::string_view homeFallback) {
    if (!given.empty()) return std::string(given);
    // A relative value is to be ignored, as the XDG base directory rules say.
    const char* xdg = std::getenv(xdgVariable);
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/vorrindel";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/" + std::string(homeFallback) + "/vorrindel";
}

std::string profileUrlFor(std::string_view profileDir) { return trimSlash(fileUrlFromPath(profileFolder(profileDir))); }

std::string sessionPipeName(std::string_view profileDir, std::string_view display) {
    // FNV-1a: short, stable across runs and builds.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : profileUrlFor(profileDir) + '\n' + std::string(display)) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return "vorrindel_" + std::to_string(getuid()) + "_" + std::string(hex, 12);
}

std::optional<std::string> profileProblem(const std::string& folder) {
    namespace fs = std::filesystem;
    // The office writes below user/; make the folders as it would, then try a file there.
    std::error_code ec;
    fs::path user = fs::path(folder) / "user";
    fs::create_directories(user, ec);
    if (ec)
        return "the LibreOffice profile folder \"" + folder + "\" cannot be created or written (" + ec.message() +
               ")";
    std::string probe = (user / (".vorrindel-probe-" + std::to_string(getpid()))).string();
    int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return "the LibreOffice profile folder \"" + folder + "\" is not writable (" + std::strerror(errno) + ")";
    close(fd);
    unlink(probe.c_str());
    return std::nullopt;
}

std::optional<std::string> unopenableCause(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        int error = errno;
        std::string folder = std::filesystem::path(path).parent_path().string();
        struct stat dir {};
        if (error == ENOENT && !folder.empty() && stat(folder.c_str(), &dir) != 0 && errno == ENOENT)
            return "its folder \"" + folder + "\" no longer exists";
        if (error == ENOENT) return "there is no such file (it was moved or deleted)";
        if (error == EACCES) return "its folder cannot be entered (permission denied)";
        if (error == ENAMETOOLONG) return "its name is too long for the file system";
        return std::string("it cannot be reached (") + std::strerror(error) + ")";
    }
    if (S_ISDIR(st.st_mode)) return "it is a folder";
    if (!S_ISREG(st.st_mode)) return "it is not a regular file";
    // Non-blocking, in case the file was swapped for a pipe since the look above.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES) return "the file is not readable (permission denied)";
        return std::string("the file cannot be read (") + std::strerror(errno) + ")";
    }
    close(fd);
    return std::nullopt;
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
    static constexpr KindFacts kDatabase{"LibreOffice Base", "libreoffice-base", "libdbulo.so"};
    switch (kind) {
    case DocKind::Spreadsheet: return kSpreadsheet;
    case DocKind::Text: return kText;
    case DocKind::Presentation: return kPresentation;
    case DocKind::Database: return kDatabase;
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

int spawnOffice(const std::string& program, const std::vector<std::string>& args, const Environment& environment,
                std::string& error) {
    // Everything the child needs is prepared before fork: only async-signal-safe calls after it.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> variables;
    for (char** e = environ; *e; ++e) {
        std::string_view entry(*e);
        std::string_view name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const auto& [set, value] : environment) replaced = replaced || set == name;
        if (!replaced) variables.emplace_back(entry);
    }
    for (const auto& [name, value] : environment) variables.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& v : variables) envp.push_back(v.data());
    envp.push_back(nullptr);
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
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    return pid;
}

void blockBrokenPipeSignal() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
}

BrokenPipeSignalBlocked::BrokenPipeSignalBlocked() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, &saved_);
    wasBlocked_ = sigismember(&saved_, SIGPIPE) == 1;
}

BrokenPipeSignalBlocked::~BrokenPipeSignalBlocked() {
    if (wasBlocked_) return;
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    const timespec now{};
    while (sigtimedwait(&pipe, nullptr, &now) == SIGPIPE) {
    }
    pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
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
