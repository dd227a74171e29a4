// Folders and paths on a POSIX system: "/"-separated byte strings, one root.
#include "listing/Listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>

#include "common/SystemError.h"

namespace vorrindel::listing {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

std::unique_ptr<DIR, DirCloser> openFolder(const std::string& folder) {
    DIR* d = opendir(folder.c_str());
    if (d == nullptr) {
        const int err = errno;
        throw ListingError("Cannot read the folder \"" + folder + "\": " + systemErrorText(err));
    }
    return std::unique_ptr<DIR, DirCloser>(d);
}

}  // namespace

std::vector<std::string> readNames(const std::string& folder, EntryKind kind, const PatternSet* wanted) {
    auto dir = openFolder(folder);
    const int fd = dirfd(dir.get());
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir.get());
        if (entry == nullptr) {
            if (errno != 0) {
                const int err = errno;
                throw ListingError("Cannot read the folder \"" + folder + "\": " + systemErrorText(err));
            }
            break;
        }
        const char* name = entry->d_name;
        if (name[0] == '.') continue;  // hidden, and "." and ".."
        const unsigned char type = entry->d_type;
        const bool direct = kind == EntryKind::File ? type == DT_REG : type == DT_DIR;
        const bool unknown = type == DT_LNK || type == DT_UNKNOWN;
        if (!direct && !unknown) continue;
        const std::string_view view(name);
        // The pattern turns names away before any further system call.
        if (wanted && !wanted->matches(view)) continue;
        if (unknown) {
            // Follow links; a dangling one fails here and is left out.
            struct stat st {};
            if (fstatat(fd, name, &st, 0) != 0) continue;
            if (kind == EntryKind::File ? !S_ISREG(st.st_mode) : !S_ISDIR(st.st_mode)) continue;
        }
        names.emplace_back(view);
    }
    return names;
}

void checkFolderReadable(const std::string& folder) { openFolder(folder); }

bool isFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isAbsolute(std::string_view path) { return !path.empty() && path.front() == '/'; }

std::vector<FolderStep> folderChain(std::string_view path) {
    const std::string normal = normalizePath(path);
    std::vector<FolderStep> chain{{"/", "/"}};
    std::string sofar;
    std::size_t start = 1;
    while (start < normal.size()) {
        std::size_t end = normal.find('/', start);
        if (end == std::string::npos) end = normal.size();
        sofar += "/" + normal.substr(start, end - start);
        chain.push_back({normal.substr(start, end - start), sofar});
        start = end + 1;
    }
    return chain;
}

std::string workingDirectory() {
    // Any length: the folder may lie deeper than PATH_MAX.
    std::error_code error;
    std::string path = std::filesystem::current_path(error).string();
    return error ? std::string() : path;
}

bool isSeparator(char c) { return c == '/'; }

// File names are bytes here, compared as they are.
std::string pathKey(std::string_view path) { return std::string(path); }

std::string normalizePath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        if (c == '/' && !out.empty() && out.back() == '/') continue;
        out.push_back(c);
    }
    if (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

std::string parentPath(std::string_view path) {
    const std::string normal = normalizePath(path);
    const std::size_t slash = normal.rfind('/');
    if (slash == std::string::npos) return {};  // a bare relative name has no folder named in it
    if (slash == 0) return "/";
    return normal.substr(0, slash);
}

}  // namespace vorrindel::listing
