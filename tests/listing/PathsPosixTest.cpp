// Path rules on Linux: "/"-separated, one root.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "TempFolder.h"
#include "listing/Drives.h"
#include "listing/Listing.h"

namespace vorrindel::listing {
namespace {

struct PathCase {
    const char* in;
    const char* out;
};

class Normalize : public ::testing::TestWithParam<PathCase> {};
TEST_P(Normalize, DropsTrailingAndRepeatedSlashes) { EXPECT_EQ(normalizePath(GetParam().in), GetParam().out); }
INSTANTIATE_TEST_SUITE_P(Paths, Normalize,
                         ::testing::Values(PathCase{"/", "/"}, PathCase{"//", "/"}, PathCase{"/a/b/", "/a/b"},
                                           PathCase{"/a//b", "/a/b"}, PathCase{"a/", "a"}, PathCase{"", ""},
                                           PathCase{"/a/./b/..", "/a/./b/.."}));

class Parent : public ::testing::TestWithParam<PathCase> {};
TEST_P(Parent, StopsAtRoot) { EXPECT_EQ(parentPath(GetParam().in), GetParam().out); }
INSTANTIATE_TEST_SUITE_P(Paths, Parent,
                         ::testing::Values(PathCase{"/a/b", "/a"}, PathCase{"/a", "/"}, PathCase{"/", "/"},
                                           PathCase{"/a/b/", "/a"}, PathCase{"//a//b", "/a"}, PathCase{"a", ""}));

TEST(JoinPath, AddsOneSlashBetween) {
    EXPECT_EQ(joinPath("/a/b", "c"), "/a/b/c");
    EXPECT_EQ(joinPath("/", "c"), "/c");
    EXPECT_EQ(joinPath("/a/", "c"), "/a/c");
    EXPECT_EQ(joinPath("/a", ""), "/a");
    EXPECT_EQ(joinPath("", "c"), "c");
}

TEST(FolderChain, RootThenEachFolderDown) {
    EXPECT_EQ(folderChain("/a/b/"), (std::vector<FolderStep>{{"/", "/"}, {"a", "/a"}, {"b", "/a/b"}}));
    EXPECT_EQ(folderChain("/"), (std::vector<FolderStep>{{"/", "/"}}));
}

// Linux folders may nest deeper than PATH_MAX; only whole paths given to one call are limited.
TEST(WorkingDirectory, IsWholePastPathMax) {
    const std::filesystem::path top = vorrindel::testing::makeTempFolder("vorrindel-deep");
    const int back = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(back, 0);
    ASSERT_EQ(chdir(top.c_str()), 0);
    const std::string step(200, 'd');
    std::string expected = std::filesystem::current_path().string();
    int depth = 0;
    for (; expected.size() <= 2 * PATH_MAX; ++depth) {
        ASSERT_EQ(mkdir(step.c_str(), 0700), 0);
        ASSERT_EQ(chdir(step.c_str()), 0);
        expected += "/" + step;
    }
    const std::string got = workingDirectory();
    const DriveTable drives = DriveTable::system();
    for (; depth > 0; --depth) ASSERT_TRUE(chdir("..") == 0 && rmdir(step.c_str()) == 0);
    ASSERT_EQ(fchdir(back), 0);
    close(back);
    std::filesystem::remove(top);

    EXPECT_EQ(got, expected);
    const Drive* drive = drives.driveOf(expected);
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drives.currentFolder(*drive), expected);
}

}  // namespace
}  // namespace vorrindel::listing
