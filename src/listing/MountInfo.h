#pragma once
// Linux only: the drive table read from /proc/self/mountinfo text.

#include <map>
#include <string>
#include <string_view>

#include "listing/Drives.h"

namespace vorrindel::listing {

// Parses /proc/self/mountinfo text. `labels` maps a device path ("/dev/sda2") to its
// filesystem label (from /dev/disk/by-label). `workingDirectory` names the folder that becomes
// the current folder of the drive holding it. Pseudo filesystems (proc, sysfs, cgroup, devpts,
// tracefs, ...) are left out; when a mount point is mounted over, the last mount wins. Sorted
// by mount point.
DriveTable drivesFromMountInfo(std::string_view mountinfo, const std::map<std::string, std::string>& labels,
                               const std::string& workingDirectory);

}  // namespace vorrindel::listing
