#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "listing/MountInfo.h"

namespace vorrindel::listing {
namespace {

std::vector<std::string> texts(const DriveTable& table) {
    std::vector<std::string> out;
    for (const Drive& d : table.drives()) out.push_back(d.text());
    return out;
}

constexpr const char* kMountInfo =
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "23 27 0:22 / /sys rw,relatime - sysfs sysfs rw\n"
    "41 23 0:38 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
    "24 27 0:6 / /dev rw - devtmpfs devtmpfs rw,mode=755\n"
    "26 24 0:24 / /dev/pts rw - devpts devpts rw\n"
    "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
    "30 27 8:17 / /media/usb rw,nosuid shared:5 master:2 - vfat /dev/sdb1 rw\n"
    "31 27 8:33 / /media/My\\040Disk rw - ntfs3 /dev/sdc1 rw\n"
    "32 27 0:41 / /run rw - tmpfs tmpfs rw\n"
    "34 32 0:44 / /run/user/1000/gvfs rw - fuse.gvfsd-fuse gvfsd-fuse rw\n"
    "35 27 8:3 /data /srv/data rw - ext4 /dev/sda3 rw\n"
    "36 27 0:45 / /mnt/nfs rw - nfs server:/export rw\n"
    "37 27 253:1 / /mnt/tab\\011x\\134y rw - btrfs /dev/mapper/vg-home rw\n"
    "38 27 8:49 / /mnt/over rw - ext4 /dev/sdd1 rw\n"
    "39 38 0:46 / /mnt/over rw - tmpfs tmpfs rw\n"
    "40 27 8:50 / /mnt/hidden rw - ext4 /dev/sde1 rw\n"
    "42 40 0:47 / /mnt/hidden rw - proc proc rw\n"
    "not a mountinfo line\n"
    "43 27 0:48 / /mnt/short rw - ext4\n"
    "\n";

TEST(DriveTableFromMountInfo, KeepsRealFilesystemsSortedWithLabels) {
    const auto table = drivesFromMountInfo(kMountInfo, {{"/dev/sdb1", "STICK"}, {"/dev/sdc1", ""}}, "/");
    EXPECT_EQ(texts(table), (std::vector<std::string>{
                                "/ [sda2]",
                                "/media/My Disk [sdc1]",  // an empty label falls back to the device
                                "/media/usb [STICK]",
                                "/mnt/nfs [nfs]",
                                "/mnt/over [tmpfs]",  // mounted over: the last one wins
                                "/mnt/tab\tx\\y [vg-home]",
                                "/run [tmpfs]",
                                "/srv/data [sda3]",  // a bind mount of a sub-folder is a folder too
                            }));
}

class FilesystemKind : public ::testing::TestWithParam<std::pair<const char*, bool>> {};

TEST_P(FilesystemKind, PseudoFilesystemsAreNoDrives) {
    const auto [type, kept] = GetParam();
    const std::string line = std::string("27 1 0:1 / /x rw - ") + type + " src rw\n";
    EXPECT_EQ(drivesFromMountInfo(line, {}, "").drives().size(), kept ? 1u : 0u) << type;
}

INSTANTIATE_TEST_SUITE_P(
    Types, FilesystemKind,
    ::testing::Values(std::pair{"proc", false}, std::pair{"sysfs", false}, std::pair{"cgroup", false},
                      std::pair{"cgroup2", false}, std::pair{"devpts", false}, std::pair{"devtmpfs", false},
                      std::pair{"tracefs", false}, std::pair{"debugfs", false}, std::pair{"securityfs", false},
                      std::pair{"pstore", false}, std::pair{"bpf", false}, std::pair{"mqueue", false},
                      std::pair{"hugetlbfs", false}, std::pair{"configfs", false}, std::pair{"fusectl", false},
                      std::pair{"binfmt_misc", false}, std::pair{"autofs", false}, std::pair{"efivarfs", false},
                      std::pair{"rpc_pipefs", false}, std::pair{"nsfs", false}, std::pair{"selinuxfs", false},
                      std::pair{"fuse.gvfsd-fuse", false}, std::pair{"fuse.portal", false},
                      std::pair{"ext4", true}, std::pair{"xfs", true}, std::pair{"btrfs", true},
                      std::pair{"vfat", true}, std::pair{"exfat", true}, std::pair{"ntfs3", true},
                      std::pair{"overlay", true}, std::pair{"tmpfs", true}, std::pair{"nfs4", true},
                      std::pair{"cifs", true}, std::pair{"fuseblk", true}, std::pair{"iso9660", true},
                      std::pair{"zfs", true}));

// "/", "/media", "/media/usb" nest; "/mediaX" only shares the letters.
DriveTable sampleTable(const std::string& workingDirectory = "/") {
    return DriveTable::of({{"/mediaX", "X"}, {"/media/usb", "STICK"}, {"/", "sda2"}, {"/media", "MEDIA"}},
                          workingDirectory);
}

TEST(DriveTable, OfSortsByMountPoint) {
    EXPECT_EQ(texts(sampleTable()),
              (std::vector<std::string>{"/ [sda2]", "/media [MEDIA]", "/media/usb [STICK]", "/mediaX [X]"}));
}

class ByText : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};
TEST_P(ByText, LongestMountPointEndingAtTextEndOrBracket) {
    const auto [text, mountPoint] = GetParam();
    const auto table = sampleTable();
    const Drive* d = table.byText(text);
    EXPECT_EQ(d ? d->mountPoint : std::string("(none)"), mountPoint) << text;
}
INSTANTIATE_TEST_SUITE_P(
    Texts, ByText,
    ::testing::Values(std::pair{"/media/usb [STICK]", "/media/usb"}, std::pair{"/ [sda2]", "/"},
                      std::pair{"/media/usb", "/media/usb"}, std::pair{"/media [anything]", "/media"},
                      std::pair{"/mediaX [X]", "/mediaX"}, std::pair{"/nowhere [x]", "(none)"},
                      std::pair{"/media/usbfoo [x]", "(none)"}, std::pair{"/media/usb[STICK]", "(none)"},
                      std::pair{"", "(none)"}, std::pair{"/", "/"}));

class DriveOf : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};
TEST_P(DriveOf, LongestMountPointAtOrAboveThePath) {
    const auto [path, mountPoint] = GetParam();
    const auto table = sampleTable();
    const Drive* d = table.driveOf(path);
    EXPECT_EQ(d ? d->mountPoint : std::string("(none)"), mountPoint) << path;
}
INSTANTIATE_TEST_SUITE_P(
    Paths, DriveOf,
    ::testing::Values(std::pair{"/media/usb/docs", "/media/usb"}, std::pair{"/media/usbstick", "/media"},
                      std::pair{"/media", "/media"}, std::pair{"/media/", "/media"}, std::pair{"/mediaX/a", "/mediaX"},
                      std::pair{"/mediaXY", "/"}, std::pair{"/", "/"}, std::pair{"relative/path", "(none)"}));

TEST(DriveTable, IsDriveTextNeedsMountPointBracketAndClosingBracket) {
    const auto table = sampleTable();
    EXPECT_TRUE(table.isDriveText("/ [sda2]"));
    EXPECT_TRUE(table.isDriveText("/media/usb [STICK]"));
    EXPECT_TRUE(table.isDriveText("/ []"));
    EXPECT_FALSE(table.isDriveText("/media/usb [STICK"));
    EXPECT_FALSE(table.isDriveText("/media/usb"));
    EXPECT_FALSE(table.isDriveText("/nowhere [x]"));
    EXPECT_FALSE(table.isDriveText("/media/usb/x]"));
    EXPECT_FALSE(DriveTable::of({}, "/").isDriveText("/ [sda2]"));
}

TEST(CurrentFolder, WorkingDirectoryDriveStartsThere) {
    const auto table = sampleTable("/media/usb/docs/");
    const auto& d = table.drives();
    EXPECT_EQ(table.currentFolder(d[0]), "/");
    EXPECT_EQ(table.currentFolder(d[1]), "/media");
    EXPECT_EQ(table.currentFolder(d[2]), "/media/usb/docs");
    EXPECT_EQ(table.currentFolder(d[3]), "/mediaX");

    const auto parsed = drivesFromMountInfo(kMountInfo, {}, "/srv/data/x");
    EXPECT_EQ(parsed.currentFolder(*parsed.byText("/srv/data [sda3]")), "/srv/data/x");
}

TEST(CurrentFolder, SettingMovesOnlyTheHoldingDrive) {
    auto table = sampleTable("/home/me");
    table.setCurrentFolder("/media/photos/");
    table.setCurrentFolder("relative");  // held by no drive: ignored
    const auto& d = table.drives();
    EXPECT_EQ(table.currentFolder(d[0]), "/home/me");
    EXPECT_EQ(table.currentFolder(d[1]), "/media/photos");
    EXPECT_EQ(table.currentFolder(d[2]), "/media/usb");
    table.setCurrentFolder("/tmp");
    EXPECT_EQ(table.currentFolder(d[0]), "/tmp");
    EXPECT_EQ(table.currentFolder(d[1]), "/media/photos");
}

TEST(DriveTableSystem, HoldsTheWorkingDirectory) {
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    const auto table = DriveTable::system();
    ASSERT_FALSE(table.drives().empty());
    const Drive* d = table.driveOf(cwd);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(table.currentFolder(*d), cwd);
    for (const Drive& drive : table.drives()) EXPECT_EQ(table.byText(drive.text()), &drive);
}

}  // namespace
}  // namespace vorrindel::listing
