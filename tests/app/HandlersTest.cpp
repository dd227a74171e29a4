// Each change the user makes is saved at once, and moves the lists on.

#include <QLabel>
#include <QTest>
#include <fstream>

#include "PickerFixture.h"
#include "app/controls/DirListBox.h"
#include "app/controls/DriveListBox.h"
#include "app/controls/FileListBox.h"
#include "app/controls/TriStateCheckBox.h"
#include "app/controls/TypeComboBox.h"
#include "settings/SettingsFile.h"

using namespace vorrindel::app;
using namespace vorrindel::app::testing;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// Opens the folder list's entry of that path as a double click would.
void openFolder(DirListBox& dir, const std::string& full) {
    dir.waitUntilListed();
    for (int i = 0; i < dir.count(); ++i) {
        if (dir.item(i)->toolTip().toStdString() == full) {
            emit dir.itemDoubleClicked(dir.item(i));
            return;
        }
    }
    ADD_FAILURE() << "no entry " << full;
}

}  // namespace

class HandlersTest : public PickerFixture {
protected:
    std::string saved(const char* name) { return vorrindel::settings::SettingsFile(ini_).readSetting(name); }
};

TEST_F(HandlersTest, ChoosingATypeSavesItAndListsItsFiles) {
    make("a/start/a.ppt");
    make("a/start/b.xls");
    Form1& f = open();
    f.Combo1->setCurrentIndex(3);
    emit f.Combo1->activated(3);
    EXPECT_EQ(saved("Type"), "PowerPoint");
    EXPECT_THAT(listedFiles(), ElementsAre("a.ppt"));
}

TEST_F(HandlersTest, OpeningAFolderSavesItAndListsItsFiles) {
    const std::string sub = make("a/start/sub/");
    make("a/start/sub/s.xls");
    Form1& f = open();
    openFolder(*f.Dir1, sub);
    EXPECT_EQ(f.Dir1->path(), sub);
    EXPECT_EQ(saved("Dir"), sub);
    EXPECT_THAT(listedFiles(), ElementsAre("s.xls"));

    openFolder(*f.Dir1, "/");  // the root is listed first and can be opened
    EXPECT_EQ(f.Dir1->path(), "/");
    EXPECT_EQ(saved("Dir"), "/");
}

TEST_F(HandlersTest, ChangingDriveSavesItAndMovesToThatDrivesCurrentFolder) {
    const std::string inB = make("b/inner/");
    make("b/inner/i.rtf");
    Form1& f = open();
    f.Dir1->setPath(inB);  // becomes drive B's current folder
    f.Dir1->setPath(path("a/start"));
    f.Drive1->setCurrentIndex(2);
    emit f.Drive1->activated(2);
    EXPECT_EQ(saved("Drive"), driveB());
    EXPECT_EQ(f.Dir1->path(), inB);
    EXPECT_EQ(saved("Dir"), inB);
    EXPECT_THAT(listedFiles(), ElementsAre("i.rtf"));
}

TEST_F(HandlersTest, TickingTheBoxSavesOneWithoutBlank) {
    Form1& f = open();
    f.show();
    QTest::mouseClick(f.Check1, Qt::LeftButton);
    EXPECT_EQ(f.Check1->value(), 1);
    EXPECT_EQ(saved("Tick"), "1");
    QTest::mouseClick(f.Check1, Qt::LeftButton);
    EXPECT_EQ(saved("Tick"), "0");
}

TEST_F(HandlersTest, FolderThatVanishedIsReportedAndTheNextActionClearsTheNotice) {
    const std::string doomed = make("a/start/doomed/");
    const std::string fine = make("a/start/fine/");
    Form1& f = open();
    f.Dir1->waitUntilListed();  // the folder is on the list, then goes
    std::filesystem::remove(doomed);
    openFolder(*f.Dir1, doomed);
    EXPECT_EQ(f.Dir1->path(), path("a/start"));
    EXPECT_THAT(f.notice(), HasSubstr("doomed"));
    EXPECT_THAT(f.Label1->toolTip().toStdString(), HasSubstr("doomed"));

    openFolder(*f.Dir1, fine);
    EXPECT_EQ(f.Dir1->path(), fine);
    EXPECT_TRUE(f.notice().empty());
    EXPECT_EQ(f.Label1->text(), Form1::kMakerNotice);
}

TEST_F(HandlersTest, FolderNameWithLineBreakIsShownButNotSaved) {
    const std::string odd = make("a/start/two\nlines/");
    make("a/start/two\nlines/in.xls");
    Form1& f = open();
    openFolder(*f.Dir1, odd);
    EXPECT_EQ(f.Dir1->path(), odd);
    EXPECT_THAT(listedFiles(), ElementsAre("in.xls"));
    EXPECT_FALSE(f.notice().empty());
    EXPECT_EQ(readIni().find("lines"), std::string::npos);
}

TEST_F(HandlersTest, UnwritableSettingsFolderWarnsOnceAndBrowsingGoesOn) {
    // A file where the settings folder should be: nothing can be created below it.
    std::filesystem::remove_all(ini_.parent_path());
    std::ofstream(ini_.parent_path().string()) << "in the way";
    const std::string one = make("a/start/one/");
    Form1& f = open();
    openFolder(*f.Dir1, one);
    EXPECT_EQ(f.Dir1->path(), one);
    EXPECT_FALSE(f.notice().empty());
    openFolder(*f.Dir1, path("a/start"));
    EXPECT_EQ(f.Dir1->path(), path("a/start"));
    EXPECT_TRUE(f.notice().empty());  // said once; the next action is not blamed again
}
