#include "automation/libreoffice/OfficeProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>

#include "common/Files.h"
#include "common/SystemError.h"

namespace vorrindel::automation::libreoffice {

namespace {

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

// The state letter of /proc/<pid>/stat ("pid (name) state ppid ..."; the name may hold blanks and
// parentheses), and what follows it.
std::optional<std::string> statAfterName(int pid) {
    std::string text = readWholeFileOrEmpty("/proc/" + std::to_string(pid) + "/stat");
    const auto close = text.rfind(')');
    if (close == std::string::npos || close + 2 >= text.size()) return std::nullopt;
    return text.substr(close + 2);
}

// Command lines of this user's running soffice.bin processes, by pid, until `f` returns true.
template <class F>
void forEachOfficeProcess(F&& f) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const uid_t me = getuid();
    for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        char* rest = nullptr;
        const long pid = std::strtol(name.c_str(), &rest, 10);
        if (pid <= 0 || *rest != '\0') continue;
        const std::string base = it->path().string();
        struct stat st {};
        if (stat(base.c_str(), &st) != 0 || st.st_uid != me) continue;
        auto args = splitNul(readWholeFileOrEmpty(base + "/cmdline"));
        if (args.empty() || fs::path(args[0]).filename() != "soffice.bin") continue;
        // A zombie keeps its entry but runs nothing.
        if (auto stat = statAfterName(static_cast<int>(pid)); stat && stat->front() == 'Z') continue;
        if (f(static_cast<int>(pid), args)) break;
    }
}

// The parts of posix_spawn's arguments that must be destroyed again, whatever happens.
struct SpawnSetup {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t files;
    SpawnSetup() {
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_init(&files);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&files);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

}  // namespace

int spawnOffice(const std::string& program, const std::vector<std::string>& args, const Environment& environment,
                std::string& error) {
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

    // The office is the user's, not a part of this process: a session of its own, and nothing of
    // this process's signal handling (an ignored signal would survive the exec, the broken-pipe
    // one among them) nor of its descriptors, however many are open.
    SpawnSetup setup;
    // Every signal, the C library's own two as well: sigfillset leaves those out, and posix_spawn
    // would then hand them on ignored.
    sigset_t all, none;
    std::memset(&all, 0xff, sizeof all);
    sigemptyset(&none);
    int rc = posix_spawnattr_setflags(&setup.attributes,
                                      POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    if (rc == 0) rc = posix_spawnattr_setsigdefault(&setup.attributes, &all);
    if (rc == 0) rc = posix_spawnattr_setsigmask(&setup.attributes, &none);
    if (rc == 0) rc = posix_spawn_file_actions_addopen(&setup.files, 0, "/dev/null", O_RDWR, 0);
    if (rc == 0) rc = posix_spawn_file_actions_adddup2(&setup.files, 0, 1);
    if (rc == 0) rc = posix_spawn_file_actions_adddup2(&setup.files, 0, 2);
    if (rc == 0) rc = posix_spawn_file_actions_addclosefrom_np(&setup.files, 3);
    pid_t pid = -1;
    if (rc == 0) rc = posix_spawn(&pid, program.c_str(), &setup.files, &setup.attributes, argv.data(), envp.data());
    if (rc != 0) {
        error = "cannot start the office: " + systemErrorText(rc);
        return -1;
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

bool officeRunsOnProfile(std::string_view profileUrl, bool isDefault) {
    bool found = false;
    std::string wanted = trimSlash(std::string(profileUrl));
    forEachOfficeProcess([&](int, const std::vector<std::string>& args) {
        std::optional<std::string> own;
        for (const auto& a : args) {
            constexpr std::string_view key = "-env:UserInstallation=";
            if (a.starts_with(key)) own = trimSlash(a.substr(key.size()));
        }
        found = own ? *own == wanted : isDefault;
        return found;
    });
    return found;
}

int parentOf(int pid) {
    if (pid <= 0) return 0;
    auto rest = statAfterName(pid);
    if (!rest) return 0;
    std::istringstream fields(*rest);
    char state = 0;
    int parent = 0;
    fields >> state >> parent;
    return parent;
}

}  // namespace vorrindel::automation::libreoffice
