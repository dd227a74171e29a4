#include "settings/SettingsFile.h"

#include "settings/IniText.h"

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

namespace vorrindel::settings {
namespace {

constexpr std::string_view kFileName = "comp.ini";

std::string describe(std::string_view what, const std::filesystem::path& path, int error) {
    std::string text(what);
    text += ' ';
    text += path.string();
    text += ": ";
    text += std::strerror(error);
    return text;
}

// The setting `name`, kept as a key of that name in a section of that name. It comes back whole,
// however long: a cut folder path would restore another folder.
std::string storedValue(std::string_view text, std::string_view name) {
    return ini::lookup(text, name, name).value_or("");
}

// The whole file; nullopt with an empty `error` when it does not exist.
std::optional<std::string> readWhole(const std::filesystem::path& path, std::string& error) {
    error.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) error = describe("cannot read", path, errno);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        error = describe("cannot read", path, EISDIR);
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

// An exclusive lock on "<target>.lock" for as long as it lives, so that two running copies read,
// change and replace the file in turn instead of losing each other's change. The lock file stays:
// removing it would let a third copy lock a fresh file while the second still holds the old one.
class WriteLock {
public:
    explicit WriteLock(const std::filesystem::path& target) {
        std::filesystem::path lockPath = target;
        lockPath += ".lock";
        fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            error_ = describe("cannot lock", target, errno);
            return;
        }
        // Another copy holds it only for one save; give up after two seconds rather than hang the
        // window behind a copy that is stuck.
        for (int attempt = 0; ::flock(fd_, LOCK_EX | LOCK_NB) != 0; ++attempt) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || attempt == 2000) {
                error_ = describe("cannot lock", target, errno);
                return;
            }
            ::usleep(1'000);
        }
    }
    ~WriteLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

    const std::optional<std::string>& error() const { return error_; }

private:
    int fd_ = -1;
    std::optional<std::string> error_;
};

// Replaces `target` by `content` through "<target>.tmp" and a rename, so that a failure or a crash
// at any point leaves either the old file or the new one, whole. Call with the write lock held: the
// temporary name is fixed, and one left by a crash is simply written over. An existing file keeps
// its permission bits.
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

    // Make the rename itself durable. The new file is already in place, so a failure here is not
    // worth reporting.
    std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    if (int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return std::nullopt;
}

// The file that `path` finally names, following a chain of links even to a target that does not
// exist yet, so that a save writes through a link instead of replacing it.
std::filesystem::path linkTarget(std::filesystem::path path) {
    std::error_code ec;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(path, ec); ++hops) {
        std::filesystem::path next = std::filesystem::read_symlink(path, ec);
        if (ec) break;
        path = path.parent_path() / next;  // an absolute link target replaces the whole path
    }
    std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : resolved;
}

std::filesystem::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home == '/') return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir == '/')
        return entry->pw_dir;
    // No home at all (a bare service account): still one fixed place per user.
    return std::filesystem::temp_directory_path() / ("vorrindel-" + std::to_string(::getuid()));
}

}  // namespace

SettingsFile::SettingsFile(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path SettingsFile::defaultLocation() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return std::filesystem::path(config) / "vorrindel" / kFileName;
    return homeFolder() / ".config" / "vorrindel" / kFileName;
}

std::string SettingsFile::readSetting(std::string_view name, std::string* error) const {
    std::string reason;
    std::optional<std::string> text = readWhole(file_, reason);
    if (error) *error = reason;
    if (!text || !ini::isValidName(name)) return {};
    return storedValue(*text, name);
}

SavedSettings SettingsFile::readAll(std::string* error) const {
    std::string reason;
    std::optional<std::string> text = readWhole(file_, reason);
    if (error) *error = reason;
    if (!text) return {};
    return {storedValue(*text, "Type"), storedValue(*text, "Drive"), storedValue(*text, "Dir"),
            storedValue(*text, "Tick")};
}

std::optional<std::string> SettingsFile::writeSetting(std::string_view name, std::string_view value) {
    if (!ini::isValidName(name)) return "cannot store a setting named \"" + std::string(name) + "\"";
    if (!ini::isValidValue(value))
        return "cannot store " + std::string(name) + ": the value holds a line break or NUL";

    std::error_code ec;
    const std::filesystem::path target = linkTarget(file_);

    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), ec);
        if (ec) return "cannot create folder " + target.parent_path().string() + ": " + ec.message();
    }

    WriteLock lock(target);
    if (lock.error()) return lock.error();

    std::string reason;
    std::optional<std::string> old = readWhole(target, reason);
    if (!reason.empty()) return reason;  // never replace a file that could not be read whole

    std::string text = ini::assign(old.value_or(""), name, name, value);
    if (old && text == *old) return std::nullopt;  // nothing changed: leave the file alone
    return replaceFile(target, text);
}

}  // namespace vorrindel::settings
