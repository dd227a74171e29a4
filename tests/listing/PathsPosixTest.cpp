// Path rules on Linux: "/"-separated, one root.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vorrindel::listing
