#include "FolderFixture.h"

namespace vorrindel::listing {
namespace {

TEST_F(FolderListing, FilesMatchingAnyPatternIgnoringCase) {
    for (const char* n : {"REPORT.XLS", "a.Doc", "b.rtf", "x.xlsx", "c.txt", "d.RTF"}) file(n);
    EXPECT_EQ(listFiles(path(), PatternSet("*.xls")), Names{"REPORT.XLS"});
    EXPECT_EQ(listFiles(path(), PatternSet("*.doc;*.rtf")), (Names{"a.Doc", "b.rtf", "d.RTF"}));
    EXPECT_EQ(listFiles(path(), PatternSet("")), Names{});
}

TEST_F(FolderListing, TrailingSlashOnTheFolderIsAccepted) {
    file("a.xls");
    EXPECT_EQ(listFiles(path() + "/", PatternSet("*.xls")), Names{"a.xls"});
}

TEST_F(FolderListing, UnreadableFolderThrowsNamingIt) {
    file("plain.txt");
    // Tests may run as root, where permissions do not stop reading: use paths that are no folders.
    for (const std::string& bad : {joinPath(path(), "does-not-exist"), joinPath(path(), "plain.txt")}) {
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
