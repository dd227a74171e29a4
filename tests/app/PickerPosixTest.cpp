// The picker with what only Linux has: permissions that stop listing, names with line breaks or
// bytes that are not UTF-8, a FIFO for a settings file.

#include <sys/stat.h>
#include <unistd.h>

#include "PickerFixture.h"

using namespace vorrindel::app;
using namespace vorrindel::app::testing;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class PosixPickerTest : public PickerFixture {};

TEST_F(PosixPickerTest, FolderThatCannotBeListedKeepsTheFilesShownAndIsReported) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser lists any folder";
    const std::string locked = make("a/start/locked/");
    make("a/start/k.xls");
    Form1& f = open();
    ASSERT_THAT(listedFiles(), ElementsAre("k.xls"));
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    openFolder(locked);
    EXPECT_EQ(f.Dir1.path(), locked);  // the folder list moved; the file list could not follow
    EXPECT_THAT(f.notice(), HasSubstr("locked"));
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
}

TEST_F(PosixPickerTest, FolderNameWithLineBreakIsShownButNotSaved) {
    const std::string odd = make("a/start/two\nlines/");
    make("a/start/two\nlines/in.xls");
    Form1& f = open();
    openFolder(odd);
    EXPECT_EQ(f.Dir1.path(), odd);
    EXPECT_THAT(listedFiles(), ElementsAre("in.xls"));
    EXPECT_THAT(f.notice(), HasSubstr("line break"));
    EXPECT_EQ(readIni().find("lines"), std::string::npos);
}

TEST_F(PosixPickerTest, NamesThatAreNotUtf8ReachTheOfficeByteForByte) {
    const std::string raw = "bad\xff\xfe.xls";
    const std::string twin = "bad\xef\xbf\xbd\xef\xbf\xbd.xls";  // how a lossy display shows the first
    make("a/start/" + raw);
    make("a/start/" + twin);
    writeIni("[Type]\nType=Excel\n");
    Form1& f = open();
    ASSERT_THAT(listedFiles(), ElementsAre(twin, raw));
    f.File1.userClick(1);
    f.File1.userClick(0);
    settle();
    EXPECT_THAT(opened(), ElementsAre(path("a/start/" + raw), path("a/start/" + twin)));
}

TEST_F(PosixPickerTest, SettingsFileThatIsAFifoIsReportedWithoutWaitingForAWriter) {
    std::filesystem::create_directories(ini_.parent_path());
    ASSERT_EQ(::mkfifo(ini_.c_str(), 0600), 0);
    expectFirstRunSaying(ini_.string());
}
