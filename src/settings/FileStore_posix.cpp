// The settings file on a POSIX system: read whole, locked with flock, replaced by rename.
#include "settings/FileStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>

#include "common/Xdg.h"

namespace vorrindel::settings::store {
namespace {

std::string describe(std::string_view what, const std::filesystem::path& path, int error) {
    std::string text(what);
    text += ' ';
    text += path.string();
    text += ": ";
    text += std::strerror(error);
    return text;
}

}  // namespace

std::optional<std::string> readWhole(const std::filesystem::path& path, std::string& error) {
    error.clear();
    // Non-blocking, so that opening a FIFO cannot wait for a writer; it is turned away below.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) error = describe("cannot read", path, errno);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        error = "cannot read " + path.string() + ": it is not a regular file";
        return std::nullopt;
    }
    std::string content;
    char buffer[4096];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            content.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            error = describe("cannot read", path, errno);
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    return content;
}

namespace {

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t put = ::write(fd, data.data(), data.size());
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

}  // namespace

// An exclusive lock on "<target>.lock": the lock file stays, since removing it would let a third
// copy lock a fresh file while the second still holds the old one.
WriteLock::WriteLock(const std::filesystem::path& target) {
    std::filesystem::path lockPath = target;
    lockPath += ".lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        error_ = describe("cannot lock", target, errno);
        return;
    }
    handle_ = fd;
    // Another copy holds it only for one save; give up after two seconds rather than hang the
    // window behind a copy that is stuck.
    for (int attempt = 0; ::flock(fd, LOCK_EX | LOCK_NB) != 0; ++attempt) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || attempt == 2000) {
            error_ = describe("cannot lock", target, errno);
            return;
        }
        if (attempt == 0 && waitingHook) waitingHook();
        ::usleep(1'000);
    }
}

WriteLock::~WriteLock() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));  // closing releases the lock
}

// Through "<target>.tmp" and a rename. The temporary name is fixed (the lock is held), and one left
// by a crash is simply written over. An existing file keeps its permission bits.
std::optional<std::string> replaceFile(const std::filesystem::path& target, std::string_view content) {
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;

    std::filesystem::path temporary = target;
    temporary += ".tmp";
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return describe("cannot write", temporary, errno);

    int failure = 0;
    if (existed && ::fchmod(fd, old.st_mode & 07777) != 0) failure = errno;
    if (!failure && !writeAll(fd, content)) failure = errno;
    if (!failure && ::fsync(fd) != 0) failure = errno;
    if (::close(fd) != 0 && !failure) failure = errno;
    if (!failure && ::rename(temporary.c_str(), target.c_str()) != 0) failure = errno;
    if (failure) {
        ::unlink(temporary.c_str());
        return describe("cannot write", target, failure);
    }
    // The folder is not flushed as well: that second flush cost as much as the file's own, on
    // every browsing step. The new file is whole on disk before its name replaces the old one, so
    // a power cut before the filesystem commits the rename (within seconds) leaves the previous
    // file whole, with the previous value; never a cut or empty one.
    return std::nullopt;
}

std::filesystem::path linkTarget(const std::filesystem::path& named) {
    std::filesystem::path path = named;
    std::error_code ec;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(path, ec); ++hops) {
        std::filesystem::path next = std::filesystem::read_symlink(path, ec);
        if (ec) break;
        path = path.parent_path() / next;  // an absolute link target replaces the whole path
    }
    std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : resolved;
}

std::optional<std::string> refuseToWrite(const std::filesystem::path& target) {
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) return std::nullopt;  // a new file
    if (!S_ISREG(info.st_mode)) return "not saved: " + target.string() + " is not a regular file";
    // The owner's write bit is the owner's word, also for a superuser who could write anyway.
    const bool writable = info.st_uid == ::geteuid() ? (info.st_mode & S_IWUSR) != 0 : ::access(target.c_str(), W_OK) == 0;
    if (!writable) return "not saved: " + target.string() + " is read-only";
    return std::nullopt;
}

namespace {

std::filesystem::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home == '/') return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir == '/')
        return entry->pw_dir;
    // No home at all (a bare service account): still one fixed place per user.
    return std::filesystem::temp_directory_path() / ("vorrindel-" + std::to_string(::getuid()));
}

}  // namespace

// Earlier versions never ran here.
std::vector<std::filesystem::path> legacyLocations() { return {}; }

std::string decodeLegacy(std::string_view bytes) { return std::string(bytes); }

std::filesystem::path defaultLocation() {
    if (auto config = xdgBaseFolder("XDG_CONFIG_HOME")) return std::filesystem::path(*config) / "vorrindel" / "comp.ini";
    return homeFolder() / ".config" / "vorrindel" / "comp.ini";
}

}  // namespace vorrindel::settings::store
