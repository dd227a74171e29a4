#pragma once
// Drives as the drive list shows them. On Linux every mounted filesystem whose root is a folder and
// that is not a pseudo filesystem; a drive's text is its mount point and a label in brackets
// ("/ [sda2]", "/media/usb [STICK]"), so it is never a folder path by itself. On Windows every
// drive letter; its text is the letter, a colon and the volume label in brackets ("c: [SYSTEM]"),
// or the letter and colon alone when the volume has no label.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vorrindel::listing {

struct Drive {
    std::string mountPoint;  // "/", "/media/usb", "c:\\"
    std::string label;       // filesystem label (Linux: else device name, else filesystem type)
    std::string name{};      // what the text begins with when that is not the mount point ("c:")
    const std::string& shownName() const { return name.empty() ? mountPoint : name; }
    std::string text() const {
        if (label.empty() && !name.empty()) return name;
        return shownName() + " [" + label + "]";
    }
};

class DriveTable {
public:
    // This machine's drives (each system's own source: mounted filesystems on Linux).
    static DriveTable system();
    // A table of the given drives (tests); the working directory as above.
    static DriveTable of(std::vector<Drive> drives, const std::string& workingDirectory);

    const std::vector<Drive>& drives() const { return drives_; }

    // The drive with the longest shown name that begins `text` and is followed there by the end of
    // the text or by " ["; a name other than the mount point ("c:") may be followed by anything
    // ("c:\\data"). Letter case counts as the system's paths count it. nullptr when none.
    const Drive* byText(std::string_view text) const;
    // The drive holding `path`: the longest mount point that is `path` or a folder above it.
    const Drive* driveOf(std::string_view path) const;
    // True when `text` names a drive and is no folder path: a shown name followed by " [" and
    // ending in "]", or a shown name other than the mount point alone ("c:").
    bool isDriveText(std::string_view text) const;

    // Each drive has a current folder: its mount point at first, except the drive holding the
    // working directory, whose current folder is the working directory.
    std::string currentFolder(const Drive& drive) const;
    // Makes `path` the current folder of the drive holding it.
    void setCurrentFolder(const std::string& path);

private:
    std::vector<Drive> drives_;
    std::map<std::string, std::string> current_;  // mount point -> current folder
};

}  // namespace vorrindel::listing
