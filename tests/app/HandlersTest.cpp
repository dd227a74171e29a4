// Each change the user makes is saved at once, and moves the lists on.

#include <fstream>

#include "PickerFixture.h"

using namespace vorrindel::app;
using namespace vorrindel::app::testing;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class HandlersTest : public PickerFixture {};

TEST_F(HandlersTest, ChoosingATypeSavesItAndListsItsFiles) {
    make("a/start/a.ppt");
    make("a/start/b.xls");
    Form1& f = open();
    f.Combo1.userChose(3);
    EXPECT_EQ(window_.combo.selected, 3);
    EXPECT_EQ(saved("Type"), "PowerPoint");
    EXPECT_THAT(listedFiles(), ElementsAre("a.ppt"));
    f.Combo1.userChose(1);
    EXPECT_THAT(listedFiles(), ElementsAre("b.xls"));  // the first pattern's .rtf files are gone
}

TEST_F(HandlersTest, OpeningAFolderSavesItAndListsItsFiles) {
    const std::string sub = make("a/start/sub/");
    make("a/start/sub/s.xls");
    Form1& f = open();
    openFolder(sub);
    EXPECT_EQ(f.Dir1.path(), sub);
    EXPECT_EQ(saved("Dir"), sub);
    EXPECT_THAT(listedFiles(), ElementsAre("s.xls"));

    openFolder(root());  // the root is listed first and can be opened
    EXPECT_EQ(f.Dir1.path(), root());
    EXPECT_EQ(saved("Dir"), root());
}

TEST_F(HandlersTest, ChangingDriveSavesItAndMovesToThatDrivesCurrentFolder) {
    const std::string inB = make("b/inner/");
    make("b/inner/i.rtf");
    Form1& f = open();
    f.Dir1.setPath(inB);  // becomes drive B's current folder
    f.Dir1.setPath(path("a/start"));
    f.Drive1.userChose(2);
    EXPECT_EQ(saved("Drive"), driveB());
    EXPECT_EQ(f.Dir1.path(), inB);
    EXPECT_EQ(saved("Dir"), inB);
    EXPECT_THAT(listedFiles(), ElementsAre("i.rtf"));

    f.Drive1.userChose(2);  // the same drive again is no change
    EXPECT_EQ(f.Dir1.path(), inB);
}

TEST_F(HandlersTest, TheBoxSavesEachValueWithoutBlankAndADimmedBoxIsTicked) {
    writeIni("[Tick]\nTick=2\n");
    Form1& f = open();
    for (const char* expected : {"1", "0", "1"}) {
        f.Check1.userToggle();
        EXPECT_EQ(saved("Tick"), expected);
        EXPECT_EQ(std::to_string(window_.check.value), expected);
    }
}

TEST_F(HandlersTest, FolderThatVanishedIsReportedAndTheNextActionClearsTheNotice) {
    const std::string doomed = make("a/start/doomed/");
    const std::string fine = make("a/start/fine/");
    Form1& f = open();
    f.Dir1.waitUntilListed();  // the folder is on the list, then goes
    std::filesystem::remove(doomed);
    openFolder(doomed);
    EXPECT_EQ(f.Dir1.path(), path("a/start"));
    EXPECT_THAT(f.notice(), HasSubstr("doomed"));
    EXPECT_EQ(window_.label.text, f.notice());

    openFolder(fine);
    EXPECT_EQ(f.Dir1.path(), fine);
    EXPECT_EQ(f.notice(), "");
    EXPECT_EQ(window_.label.text, Form1::kMakerNotice);
}

// While settings cannot be saved, each change that was not saved says so.
TEST_F(HandlersTest, EveryChangeThatCannotBeSavedIsReported) {
    struct Blocker {
        const char* name;
        void (*apply)(const std::filesystem::path& ini);
        const char* cause;
    };
    const Blocker blockers[] = {
        // A file where the settings folder should be: nothing can be created below it.
        {"folder_in_the_way",
         [](const std::filesystem::path& ini) {
             std::filesystem::remove_all(ini.parent_path());
             std::ofstream(ini.parent_path().string()) << "in the way";
         },
         "config"},
        {"read_only_file",
         [](const std::filesystem::path& ini) {
             std::filesystem::create_directories(ini.parent_path());
             std::ofstream(ini) << "[Tick]\n";
             std::filesystem::permissions(ini, std::filesystem::perms::owner_read);
         },
         "read-only"},
    };
    const std::string one = make("a/start/one/");
    for (const Blocker& b : blockers) {
        SCOPED_TRACE(b.name);
        b.apply(ini_);
        Form1& f = open();
        for (const std::string& folder : {one, path("a/start"), one}) {
            openFolder(folder);
            EXPECT_EQ(f.Dir1.path(), folder);
            EXPECT_THAT(f.notice(), HasSubstr(b.cause));
        }
        f.Check1.userToggle();
        EXPECT_EQ(f.Check1.value(), 1);
        EXPECT_THAT(f.notice(), HasSubstr(b.cause));
        std::error_code ec;
        std::filesystem::permissions(ini_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(ini_.parent_path());
    }
}

// The wheel over the closed type or drive list changes neither, whatever was chosen before: it is
// on its way to the lists below.
TEST_F(HandlersTest, TheWheelOverAClosedListChangesNeitherTheTypeNorTheDrive) {
    make("a/start/a.xls");
    make("a/start/b.rtf");
    for (const char* ini : {"", "[Type]\nType=Excel\n"}) {
        SCOPED_TRACE(ini);
        writeIni(ini);
        Form1& f = open();
        const std::vector<std::string> files = listedFiles();
        const std::string type = f.Combo1.text();
        const std::string drive = f.Drive1.drive();
        const int typeRow = window_.combo.selected;
        const int driveRow = window_.drive.selected;
        for (int delta : {-120, 120, -360, 360, -1, 0}) {
            f.Combo1.userWheel(delta);
            f.Drive1.userWheel(delta);
        }
        EXPECT_EQ(f.Combo1.text(), type);
        EXPECT_EQ(window_.combo.selected, typeRow);
        EXPECT_EQ(f.Drive1.drive(), drive);
        EXPECT_EQ(window_.drive.selected, driveRow);
        EXPECT_EQ(readIni(), ini);
        EXPECT_EQ(listedFiles(), files);
        EXPECT_EQ(f.notice(), "");
    }
}
