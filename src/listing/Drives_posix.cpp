// The drives of a Linux system: its mounted filesystems, from /proc/self/mountinfo.
#include "listing/MountInfo.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>

#include "common/Files.h"
#include "listing/Listing.h"

namespace vorrindel::listing {

namespace fs = std::filesystem;

namespace {

struct Mount {
    std::string mountPoint;
    std::string fsType;
    std::string source;
};

// Kernel-internal filesystems: nothing a user keeps files on.
bool isPseudoFilesystem(std::string_view type) {
    static constexpr std::array<std::string_view, 34> kPseudo = {
        "anon_inodefs", "autofs",      "binfmt_misc", "bpf",         "cgroup",     "cgroup2",
        "configfs",     "cpuset",      "debugfs",     "devfs",       "devpts",     "devtmpfs",
        "efivarfs",     "fusectl",     "hugetlbfs",   "mqueue",      "nfsd",       "nsfs",
        "pipefs",       "proc",        "pstore",      "rootfs",      "rpc_pipefs", "securityfs",
        "selinuxfs",    "smackfs",     "sockfs",      "sysfs",       "tracefs",    "usbfs",
        "apparmorfs",   "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs",
    };
    return std::find(kPseudo.begin(), kPseudo.end(), type) != kPseudo.end();
}

bool isOctal(char c) { return c >= '0' && c <= '7'; }

// mountinfo writes blank, tab, newline and backslash in paths as \040, \011, \012, \134.
std::string decodeOctalEscapes(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && isOctal(s[i + 1]) && isOctal(s[i + 2]) && isOctal(s[i + 3])) {
            out.push_back(static_cast<char>(((s[i + 1] - '0') << 6) | ((s[i + 2] - '0') << 3) | (s[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// /dev/disk/by-label names write unsafe characters as \x20 and the like.
std::string decodeHexEscapes(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' && hexValue(s[i + 2]) >= 0 && hexValue(s[i + 3]) >= 0) {
            out.push_back(static_cast<char>(hexValue(s[i + 2]) * 16 + hexValue(s[i + 3])));
            i += 3;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

// Every well-formed line, in file order. Malformed lines are skipped rather than failing the
// whole table: one odd mount must not hide the others.
std::vector<Mount> parseMountInfo(std::string_view text) {
    std::vector<Mount> mounts;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const auto fields = splitFields(text.substr(pos, end - pos));
        pos = end + 1;
        // id parent major:minor root mountpoint options [optional...] - fstype source superoptions
        if (fields.size() < 9) continue;
        const auto dash = std::find(fields.begin() + 6, fields.end(), std::string_view("-"));
        if (dash == fields.end() || std::distance(dash, fields.end()) < 3) continue;
        Mount m;
        m.mountPoint = normalizePath(decodeOctalEscapes(fields[4]));
        m.fsType = std::string(dash[1]);
        m.source = decodeOctalEscapes(dash[2]);
        if (m.mountPoint.empty() || m.mountPoint.front() != '/') continue;
        mounts.push_back(std::move(m));
    }
    return mounts;
}

std::string labelFor(const Mount& m, const std::map<std::string, std::string>& labels) {
    if (const auto it = labels.find(m.source); it != labels.end() && !it->second.empty()) return it->second;
    constexpr std::string_view kDev = "/dev/";
    if (m.source.size() > kDev.size() && m.source.compare(0, kDev.size(), kDev) == 0) {
        return m.source.substr(m.source.rfind('/') + 1);
    }
    return m.fsType;
}

DriveTable build(const std::vector<Mount>& mounts, const std::map<std::string, std::string>& labels,
                 const std::string& workingDirectory) {
    // A later mount on the same point covers the earlier one, even when the later one is a
    // pseudo filesystem, so the filter comes after the overmount rule.
    std::map<std::string, const Mount*> byPoint;
    for (const Mount& m : mounts) byPoint[m.mountPoint] = &m;
    std::vector<Drive> drives;
    for (const auto& [point, m] : byPoint) {
        if (isPseudoFilesystem(m->fsType)) continue;
        drives.push_back(Drive{point, labelFor(*m, labels)});
    }
    return DriveTable::of(std::move(drives), workingDirectory);
}

// A file of the kernel's, or nothing when it is missing or empty.
std::optional<std::string> readKernelFile(const char* path) {
    auto text = readWholeFile(path);
    if (text && text->empty()) text.reset();
    return text;
}

std::string canonicalPath(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) return {};
    return resolved;
}

// Device path -> label, from the links in /dev/disk/by-label.
std::map<std::string, std::string> readLabels() {
    std::map<std::string, std::string> labels;
    // The iterator closes the folder also when an exception passes.
    std::error_code error;
    for (fs::directory_iterator it("/dev/disk/by-label", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with('.')) continue;
        const std::string device = canonicalPath(it->path().string());
        if (!device.empty()) labels[device] = decodeHexEscapes(name);
    }
    return labels;
}

// Used only when mountinfo is missing (no /proc): the root's type from /proc/mounts if that
// still answers, else a plain name.
DriveTable rootOnly(const std::string& workingDirectory) {
    std::string label = "root";
    if (const auto mounts = readKernelFile("/proc/mounts")) {
        std::istringstream lines(*mounts);
        std::string line;
        while (std::getline(lines, line)) {
            const auto fields = splitFields(line);
            if (fields.size() >= 3 && fields[1] == "/" && fields[2] != "rootfs") label = std::string(fields[2]);
        }
    }
    return DriveTable::of({Drive{"/", label}}, workingDirectory);
}

}  // namespace

DriveTable drivesFromMountInfo(std::string_view mountinfo, const std::map<std::string, std::string>& labels,
                               const std::string& workingDirectory) {
    return build(parseMountInfo(mountinfo), labels, workingDirectory);
}

DriveTable DriveTable::system() {
    std::string workingDirectory;
    try {
        workingDirectory = listing::workingDirectory();
        const auto text = readKernelFile("/proc/self/mountinfo");
        if (!text) return rootOnly(workingDirectory);
        std::vector<Mount> mounts = parseMountInfo(*text);
        // Files bind-mounted over files (containers do this with /etc/hosts) are no drives.
        std::erase_if(mounts, [](const Mount& m) {
            struct stat st {};
            return stat(m.mountPoint.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
        });
        // Memory filesystems the system mounts for itself below /proc, /sys and /dev hold no
        // documents; listing them only crowds the drive list.
        std::erase_if(mounts, [](const Mount& m) {
            return m.mountPoint.starts_with("/proc/") || m.mountPoint.starts_with("/sys/") ||
                   m.mountPoint.starts_with("/dev/");
        });
        // by-label links point at the canonical node ("/dev/dm-0") while mountinfo may name a
        // link to it ("/dev/mapper/vg-home"); add the names mountinfo uses.
        auto labels = readLabels();
        if (!labels.empty()) {
            for (const Mount& m : mounts) {
                if (!m.source.starts_with("/dev/") || labels.count(m.source) != 0) continue;
                if (const auto it = labels.find(canonicalPath(m.source)); it != labels.end()) {
                    const std::string label = it->second;
                    labels[m.source] = label;
                }
            }
        }
        DriveTable table = build(mounts, labels, workingDirectory);
        if (table.drives().empty()) return rootOnly(workingDirectory);
        return table;
    } catch (...) {
        // Out of memory at most; the window still needs something to show.
        try {
            return DriveTable::of({Drive{"/", "root"}}, workingDirectory);
        } catch (...) {
            return DriveTable{};
        }
    }
}

}  // namespace vorrindel::listing
