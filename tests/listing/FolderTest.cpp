#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "listing/Listing.h"

namespace vorrindel::listing {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// A fresh folder per test, removed with everything in it afterwards.
class FolderListing : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "listing-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        root_ = templ;
    }
    void TearDown() override { fs::remove_all(root_); }

    void file(const std::string& name) { std::ofstream(root_ / name) << "x"; }
    void folder(const std::string& name) { fs::create_directories(root_ / name); }
    void link(const std::string& target, const std::string& name) { fs::create_symlink(target, root_ / name); }
    std::string path() const { return root_.string(); }

    fs::path root_;
};

TEST_F(FolderListing, FilesMatchingAnyPatternIgnoringCase) {
    for (const char* n : {"REPORT.XLS", "a.Doc", "b.rtf", "x.xlsx", "c.txt", "d.RTF"}) file(n);
    EXPECT_EQ(listFiles(path(), PatternSet("*.xls")), Names{"REPORT.XLS"});
    EXPECT_EQ(listFiles(path(), PatternSet("*.doc;*.rtf")), (Names{"a.Doc", "b.rtf", "d.RTF"}));
    EXPECT_EQ(listFiles(path(), PatternSet("")), Names{});
}

TEST_F(FolderListing, HiddenNamesAreLeftOut) {
    file(".hidden.xls");
    file("shown.xls");
    folder(".git");
    folder("src");
    EXPECT_EQ(listFiles(path(), PatternSet("*")), Names{"shown.xls"});
    EXPECT_EQ(listFolders(path()), Names{"src"});
}

TEST_F(FolderListing, LinksCountAsWhatTheyPointTo) {
    file("real.xls");
    folder("sub.xls");  // a folder with a file-like name is still a folder
    link("real.xls", "link.xls");
    link("missing.xls", "dangling.xls");
    link("sub.xls", "linkdir");
    link("nowhere", "danglingdir");
    EXPECT_EQ(listFiles(path(), PatternSet("*.xls;linkdir")), (Names{"link.xls", "real.xls"}));
    EXPECT_EQ(listFolders(path()), (Names{"linkdir", "sub.xls"}));
}

TEST_F(FolderListing, SortedIgnoringCaseTiesByBytes) {
    for (const char* n : {"b.txt", "a.txt", "C.txt", "A.txt", "_.txt", "a1.txt"}) file(n);
    for (const char* n : {"beta", "Alpha", "alpha", "Gamma"}) folder(n);
    EXPECT_EQ(listFiles(path(), PatternSet("*.txt")), (Names{"_.txt", "A.txt", "a.txt", "a1.txt", "b.txt", "C.txt"}));
    EXPECT_EQ(listFolders(path()), (Names{"Alpha", "alpha", "beta", "Gamma"}));
}

TEST_F(FolderListing, TrailingSlashOnTheFolderIsAccepted) {
    file("a.xls");
    EXPECT_EQ(listFiles(path() + "/", PatternSet("*.xls")), Names{"a.xls"});
}

TEST_F(FolderListing, UnreadableFolderThrowsNamingIt) {
    file("plain.txt");
    // Tests may run as root, where permissions do not stop reading: use paths that are no folders.
    for (const std::string& bad : {path() + "/does-not-exist", path() + "/plain.txt"}) {
        try {
            listFiles(bad, PatternSet("*"));
            FAIL() << "no error for " << bad;
        } catch (const ListingError& e) {
            EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
        }
        EXPECT_THROW(listFolders(bad), ListingError);
    }
}

}  // namespace
}  // namespace vorrindel::listing
