// Restoring the saved choices when the window is created.

#include <QLabel>
#include <QTest>

#include "PickerFixture.h"
#include "app/controls/DirListBox.h"
#include "app/controls/DriveListBox.h"
#include "app/controls/FileListBox.h"
#include "app/controls/TriStateCheckBox.h"
#include "app/controls/TypeComboBox.h"

using namespace vorrindel::app;
using namespace vorrindel::app::testing;
using ::testing::ElementsAre;

namespace {

std::string ini(const std::string& type, const std::string& drive, const std::string& dir, const std::string& tick) {
    std::string s;
    if (!type.empty()) s += "[Type]\nType=" + type + "\n";
    if (!drive.empty()) s += "[Drive]\nDrive=" + drive + "\n";
    if (!dir.empty()) s += "[Dir]\nDir=" + dir + "\n";
    if (!tick.empty()) s += "[Tick]\nTick=" + tick + "\n";
    return s;
}

}  // namespace

class StartupTest : public PickerFixture {};

TEST_F(StartupTest, WindowHasItsCaptionSizeControlsAndTabOrder) {
    Form1& f = open();
    EXPECT_EQ(f.windowTitle(), "Vorrindel ");
    EXPECT_EQ(f.size(), QSize(264, 287));
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    EXPECT_EQ(f.Combo1->geometry(), QRect(8, 8, 249, 21));
    EXPECT_EQ(f.Drive1->geometry(), QRect(8, 40, 249, 21));
    EXPECT_EQ(f.Dir1->geometry(), QRect(8, 72, 249, 81));
    EXPECT_EQ(f.File1->geometry(), QRect(8, 168, 249, 58));
    EXPECT_EQ(f.Check1->geometry(), QRect(8, 240, 217, 17));
    EXPECT_EQ(f.Label1->geometry(), QRect(8, 264, 241, 25));
    EXPECT_EQ(f.Check1->text(), "Do not close previous file");
    EXPECT_FALSE(f.Combo1->isEditable());

    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f) || QTest::qWaitForWindowExposed(&f));
    EXPECT_EQ(QApplication::focusWidget(), f.Drive1);
    for (QWidget* next : std::initializer_list<QWidget*>{f.Dir1, f.File1, f.Check1, f.Combo1, f.Drive1}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
}

TEST_F(StartupTest, FirstRunSelectsNoTypeListsTheDefaultPatternAndWritesNothing) {
    make("a/start/one.xls");
    make("a/start/two.RTF");
    make("a/start/three.doc");
    Form1& f = open();
    EXPECT_EQ(f.Combo1->count(), 4);
    EXPECT_EQ(f.Combo1->itemText(0), "Access");
    EXPECT_EQ(f.Combo1->itemText(3), "PowerPoint");
    EXPECT_EQ(f.Combo1->text(), "");
    EXPECT_EQ(f.Dir1->path(), path("a/start"));
    EXPECT_EQ(f.Drive1->drive(), driveA());
    EXPECT_EQ(f.Check1->value(), 0);
    EXPECT_THAT(listedFiles(), ElementsAre("one.xls", "two.RTF"));
    EXPECT_FALSE(iniExists());
    EXPECT_TRUE(f.notice().empty());
}

TEST_F(StartupTest, SavedTypeRestoresSelectionAndPattern) {
    make("a/start/one.xls");
    make("a/start/REPORT.DOC");
    make("a/start/two.rtf");
    writeIni(ini("Word", "", "", ""));
    Form1& f = open();
    EXPECT_EQ(f.Combo1->text(), "Word");
    EXPECT_EQ(f.File1->pattern(), "*.doc;*.rtf");
    EXPECT_THAT(listedFiles(), ElementsAre("REPORT.DOC", "two.rtf"));
}

TEST_F(StartupTest, UnknownSavedTypeSelectsNothingAndIsReported) {
    writeIni(ini("word", "", "", ""));  // letter case counts
    Form1& f = open();
    EXPECT_EQ(f.Combo1->text(), "");
    EXPECT_EQ(f.File1->pattern(), "*.xls;*.rtf");
    EXPECT_NE(f.notice().find("word"), std::string::npos);
}

TEST_F(StartupTest, SavedDriveEqualToStartDriveRestoresSavedFolder) {
    const std::string other = make("a/other/");
    make("a/other/here.xls");
    const std::string saved = ini("", driveA(), other, "");
    writeIni(saved);
    Form1& f = open();
    EXPECT_EQ(f.Drive1->drive(), driveA());
    EXPECT_EQ(f.Dir1->path(), other);
    EXPECT_THAT(listedFiles(), ElementsAre("here.xls"));
    EXPECT_EQ(readIni(), saved);  // the drive did not change, so only Dir was written, unchanged
}

TEST_F(StartupTest, SavedFolderOnAnotherSavedDriveIsRestored) {
    const std::string deep = make("b/deep/er/");
    make("b/deep/er/x.xls");
    writeIni(ini("Excel", driveB(), deep, ""));
    Form1& f = open();
    EXPECT_EQ(f.Drive1->drive(), driveB());
    EXPECT_EQ(f.Dir1->path(), deep);
    EXPECT_THAT(listedFiles(), ElementsAre("x.xls"));
}

TEST_F(StartupTest, VanishedSavedFolderLeavesTheSavedDrivesCurrentFolderAndIsReported) {
    make("b/kept.xls");
    writeIni(ini("Excel", driveB(), path("b/gone"), ""));
    Form1& f = open();
    EXPECT_EQ(f.Drive1->drive(), driveB());
    EXPECT_EQ(f.Dir1->path(), path("b"));
    EXPECT_THAT(listedFiles(), ElementsAre("kept.xls"));
    EXPECT_NE(f.notice().find("gone"), std::string::npos);
}

TEST_F(StartupTest, FolderOnAnotherDriveThanTheDriveListShows) {
    const std::string elsewhere = make("b/elsewhere/");
    make("b/elsewhere/e.rtf");
    writeIni(ini("", driveA(), elsewhere, ""));
    Form1& f = open();
    EXPECT_EQ(f.Drive1->drive(), driveA());
    EXPECT_EQ(f.Dir1->path(), elsewhere);
    EXPECT_THAT(listedFiles(), ElementsAre("e.rtf"));
}

TEST_F(StartupTest, LongFolderPathIsRestoredWhole) {
    std::string relative = "b/";
    while (path(relative).size() < 80) relative += "long-folder-name/";
    const std::string longPath = make(relative);
    ASSERT_GE(longPath.size(), 80u);
    writeIni(ini("", "", longPath, ""));
    Form1& f = open();
    EXPECT_EQ(f.Dir1->path(), longPath);
}

TEST_F(StartupTest, SavedTickIsAppliedAndWrittenBackAsTheBoxReportsIt) {
    writeIni(ini("", "", "", "01"));
    Form1& f = open();
    EXPECT_EQ(f.Check1->value(), 1);
    EXPECT_EQ(readIni(), "[Tick]\nTick=1\n");
}

TEST_F(StartupTest, SavedDimmedTickIsApplied) {
    writeIni(ini("", "", "", "2"));
    EXPECT_EQ(open().Check1->value(), 2);
}

TEST_F(StartupTest, TickThatIsNoValueOfTheBoxIsPassedOver) {
    for (const char* bad : {"3", "-1", "yes", "1.5"}) {
        writeIni(ini("", "", "", bad));
        Form1& f = open();
        EXPECT_EQ(f.Check1->value(), 0) << bad;
        EXPECT_FALSE(f.notice().empty()) << bad;
    }
}

TEST_F(StartupTest, UnreadableSettingsFileReadsAsEmptyAndIsReported) {
    std::filesystem::create_directories(ini_);  // a folder where the file should be
    Form1& f = open();
    EXPECT_EQ(f.Combo1->text(), "");
    EXPECT_EQ(f.Dir1->path(), path("a/start"));
    EXPECT_FALSE(f.notice().empty());
}
