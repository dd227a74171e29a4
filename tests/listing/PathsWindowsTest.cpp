// Path rules on Windows: "\\" (or "/") separated, a root per drive letter, letter case ignored.
#include <gtest/gtest.h>

#include "listing/Listing.h"

namespace vorrindel::listing {
namespace {

struct PathCase {
    const char* in;
    const char* out;
};

class Normalize : public ::testing::TestWithParam<PathCase> {};
TEST_P(Normalize, BackslashesLowerDriveLetterNoTrailingSeparator) {
    EXPECT_EQ(normalizePath(GetParam().in), GetParam().out);
}
INSTANTIATE_TEST_SUITE_P(
    Paths, Normalize,
    ::testing::Values(PathCase{"c:\\", "c:\\"}, PathCase{"C:\\", "c:\\"}, PathCase{"c:/", "c:\\"},
                      PathCase{"C:\\Data\\", "c:\\Data"}, PathCase{"c:/a//b/", "c:\\a\\b"},
                      PathCase{"c:\\\\a", "c:\\a"}, PathCase{"c:", "c:"},
                      PathCase{"\\\\srv\\share\\", "\\\\srv\\share\\"},
                      PathCase{"//srv/share/x/", "\\\\srv\\share\\x"}, PathCase{"a\\", "a"}, PathCase{"", ""},
                      PathCase{"c:\\a\\.\\..", "c:\\a\\.\\.."}));

class Parent : public ::testing::TestWithParam<PathCase> {};
TEST_P(Parent, StopsAtTheDriveRoot) { EXPECT_EQ(parentPath(GetParam().in), GetParam().out); }
INSTANTIATE_TEST_SUITE_P(Paths, Parent,
                         ::testing::Values(PathCase{"c:\\a\\b", "c:\\a"}, PathCase{"c:\\a", "c:\\"},
                                           PathCase{"c:\\", "c:\\"}, PathCase{"D:\\a\\", "d:\\"},
                                           PathCase{"\\\\srv\\share\\x", "\\\\srv\\share\\"}, PathCase{"a", ""}));

TEST(JoinPath, OneBackslashBetween) {
    EXPECT_EQ(joinPath("c:\\", "data"), "c:\\data");
    EXPECT_EQ(joinPath("c:\\data", "x.xls"), "c:\\data\\x.xls");
    EXPECT_EQ(joinPath("c:\\data\\", "x"), "c:\\data\\x");
    EXPECT_EQ(joinPath("c:\\data", ""), "c:\\data");
    EXPECT_EQ(joinPath("", "x"), "x");
}

TEST(IsAbsolute, DriveRootOrNetworkPathOnly) {
    for (const char* yes : {"c:\\", "C:\\x", "c:/x", "\\\\srv\\share"}) EXPECT_TRUE(isAbsolute(yes)) << yes;
    for (const char* no : {"c:", "c:x", "\\x", "x\\y", "", "1:\\x"}) EXPECT_FALSE(isAbsolute(no)) << no;
}

TEST(FolderChain, DriveRootThenEachFolderDown) {
    EXPECT_EQ(folderChain("C:\\data\\q3"),
              (std::vector<FolderStep>{{"c:\\", "c:\\"}, {"data", "c:\\data"}, {"q3", "c:\\data\\q3"}}));
    EXPECT_EQ(folderChain("c:\\"), (std::vector<FolderStep>{{"c:\\", "c:\\"}}));
    EXPECT_EQ(folderChain("\\\\srv\\share\\x"),
              (std::vector<FolderStep>{{"\\\\srv\\share\\", "\\\\srv\\share\\"}, {"x", "\\\\srv\\share\\x"}}));
}

TEST(PathKey, IgnoresAsciiLetterCaseOnly) {
    EXPECT_EQ(pathKey("C:\\Data [SYS]"), "c:\\data [sys]");
    EXPECT_EQ(pathKey("\xC3\x89t\xC3\xA9"), "\xC3\x89t\xC3\xA9");
}

TEST(WorkingDirectory, IsANormalizedAbsoluteFolder) {
    const std::string wd = workingDirectory();
    EXPECT_TRUE(isAbsolute(wd)) << wd;
    EXPECT_EQ(normalizePath(wd), wd);
    EXPECT_TRUE(isFolder(wd)) << wd;
}

}  // namespace
}  // namespace vorrindel::listing
