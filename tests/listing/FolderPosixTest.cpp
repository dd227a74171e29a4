// Folder reading on Linux: dot names are hidden, links count as what they point to, and names that
// differ only in letter case are different files.
#include "FolderFixture.h"

namespace vorrindel::listing {
namespace {

class PosixFolder : public FolderListing {
protected:
    void link(const std::string& target, const std::string& name) {
        std::filesystem::create_symlink(target, root_ / name);
    }
};

TEST_F(PosixFolder, HiddenNamesAreLeftOut) {
    file(".hidden.xls");
    file("shown.xls");
    folder(".git");
    folder("src");
    EXPECT_EQ(listFiles(path(), PatternSet("*")), Names{"shown.xls"});
    EXPECT_EQ(listFolders(path()), Names{"src"});
}

TEST_F(PosixFolder, LinksCountAsWhatTheyPointTo) {
    file("real.xls");
    folder("sub.xls");  // a folder with a file-like name is still a folder
    link("real.xls", "link.xls");
    link("missing.xls", "dangling.xls");
    link("sub.xls", "linkdir");
    link("nowhere", "danglingdir");
    EXPECT_EQ(listFiles(path(), PatternSet("*.xls;linkdir")), (Names{"link.xls", "real.xls"}));
    EXPECT_EQ(listFolders(path()), (Names{"linkdir", "sub.xls"}));
}

TEST_F(PosixFolder, SortedIgnoringCaseTiesByBytes) {
    for (const char* n : {"b.txt", "a.txt", "C.txt", "A.txt", "_.txt", "a1.txt"}) file(n);
    for (const char* n : {"beta", "Alpha", "alpha", "Gamma"}) folder(n);
    EXPECT_EQ(listFiles(path(), PatternSet("*.txt")), (Names{"_.txt", "A.txt", "a.txt", "a1.txt", "b.txt", "C.txt"}));
    EXPECT_EQ(listFolders(path()), (Names{"Alpha", "alpha", "beta", "Gamma"}));
}

}  // namespace
}  // namespace vorrindel::listing
