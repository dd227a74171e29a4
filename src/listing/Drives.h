#pragma once
// Drives as the drive list shows them: every mounted filesystem whose root is a folder and that
// is not a pseudo filesystem. A drive's text is its mount point and a label in brackets
// ("/ [sda2]", "/media/usb [STICK]"), so it is never a folder path by itself.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vorrindel::listing {

struct Drive {
    std::string mountPoint;  // "/", "/media/usb"
    std::string label;       // filesystem label, else device name, else filesystem type
    std::string text() const { return mountPoint + " [" + label + "]"; }
};

class DriveTable {
public:
    // This machine's drives (each system's own source: mounted filesystems on Linux).
    static DriveTable system();
    // A table of the given drives (tests); the working directory as above.
    static DriveTable of(std::vector<Drive> drives, const std::string& workingDirectory);

    const std::vector<Drive>& drives() const { return drives_; }

    // The drive with the longest mount point that begins `text` and is followed there by the end
    // of the text or by " ["; nullptr when none.
    const Drive* byText(std::string_view text) const;
    // The drive holding `path`: the longest mount point that is `path` or a folder above it.
    const Drive* driveOf(std::string_view path) const;
    // True when `text` is a drive's mount point followed by " [" and ending in "]".
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
