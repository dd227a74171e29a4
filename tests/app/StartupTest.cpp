// Restoring the saved choices when the form is created.

#include "PickerFixture.h"
#include "listing/Listing.h"

using namespace vorrindel::app;
using namespace vorrindel::app::testing;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

// Placeholders in the table below: {A} and {B} the two drives' texts, {root} the folder tree.
std::string expand(std::string text, const std::string& a, const std::string& b, const std::string& root) {
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"{A}", a}, {"{B}", b}, {"{root}", root}}) {
        for (size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
    }
    return text;
}

struct Restore {
    const char* name;
    const char* ini;
    std::vector<const char*> files;  // made below the tree before the start
    const char* type;
    const char* drive;  // "A" or "B"
    const char* dir;    // below {root}
    std::vector<const char*> listed;
    int tick;
    const char* noticeHas;  // "" for no notice
};

class Restoring : public PickerFixture, public ::testing::WithParamInterface<Restore> {};

TEST_P(Restoring, AppliesWhatCanBeAppliedAndReportsTheRest) {
    const Restore& c = GetParam();
    for (const char* f : c.files) make(f);
    const std::string root = root_.string();
    writeIni(expand(c.ini, driveA(), driveB(), root));
    Form1& f = open();
    EXPECT_EQ(f.Combo1.text(), c.type);
    EXPECT_EQ(f.Drive1.drive(), std::string(c.drive) == "A" ? driveA() : driveB());
    EXPECT_EQ(f.Dir1.path(), path(c.dir));
    EXPECT_THAT(listedFiles(), ElementsAreArray(c.listed));
    EXPECT_EQ(f.Check1.value(), c.tick);
    EXPECT_EQ(window_.check.value, c.tick);
    if (*c.noticeHas) {
        EXPECT_THAT(f.notice(), HasSubstr(c.noticeHas));
        EXPECT_EQ(window_.label.text, f.notice());
    } else {
        EXPECT_EQ(f.notice(), "");
        EXPECT_EQ(window_.label.text, Form1::kMakerNotice);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Saved, Restoring,
    ::testing::Values(
        // Choosing the entry runs the type's click, which sets the pattern.
        Restore{"type", "[Type]\nType=Word\n", {"a/start/one.xls", "a/start/REPORT.DOC", "a/start/two.rtf"}, "Word", "A",
                "a/start", {"REPORT.DOC", "two.rtf"}, 0, ""},
        // Letter case counts: no entry is "word".
        Restore{"unknown_type", "[Type]\nType=word\n", {"a/start/one.xls", "a/start/t.rtf"}, "", "A", "a/start",
                {"one.xls", "t.rtf"}, 0, "word"},
        Restore{"folder_on_the_start_drive", "[Drive]\nDrive={A}\n[Dir]\nDir={root}/a/other\n", {"a/other/here.xls"}, "",
                "A", "a/other", {"here.xls"}, 0, ""},
        // All four values are read before the drive's change rewrites the saved folder.
        Restore{"folder_on_another_saved_drive", "[Type]\nType=Excel\n[Drive]\nDrive={B}\n[Dir]\nDir={root}/b/deep/er\n",
                {"b/deep/er/x.xls"}, "Excel", "B", "b/deep/er", {"x.xls"}, 0, ""},
        Restore{"vanished_folder", "[Type]\nType=Excel\n[Drive]\nDrive={B}\n[Dir]\nDir={root}/b/gone\n", {"b/kept.xls"},
                "Excel", "B", "b", {"kept.xls"}, 0, "gone"},
        // Nothing sets the drive from the folder.
        Restore{"folder_on_another_drive_than_shown", "[Drive]\nDrive={A}\n[Dir]\nDir={root}/b/elsewhere\n",
                {"b/elsewhere/e.rtf"}, "", "A", "b/elsewhere", {"e.rtf"}, 0, ""},
        Restore{"missing_drive", "[Drive]\nDrive=/nowhere [NONE]\n", {}, "", "A", "a/start", {}, 0, "/nowhere"},
        Restore{"tick", "[Tick]\nTick=01\n", {}, "", "A", "a/start", {}, 1, ""},
        Restore{"dimmed_tick", "[Tick]\nTick=2\n", {}, "", "A", "a/start", {}, 2, ""},
        Restore{"tick_out_of_range", "[Tick]\nTick=3\n", {}, "", "A", "a/start", {}, 0, "check box"},
        Restore{"tick_negative", "[Tick]\nTick=-1\n", {}, "", "A", "a/start", {}, 0, "check box"},
        Restore{"tick_not_a_number", "[Tick]\nTick=1.5\n", {}, "", "A", "a/start", {}, 0, "1.5"}),
    [](const auto& info) { return std::string(info.param.name); });

class StartupTest : public PickerFixture {};

TEST_F(StartupTest, FirstRunSelectsNoTypeListsTheFirstPatternAndWritesNothing) {
    make("a/start/one.xls");
    make("a/start/two.RTF");
    make("a/start/three.doc");
    Form1& f = open();
    EXPECT_THAT(window_.combo.texts, ElementsAre("Access", "Excel", "Word", "PowerPoint"));
    EXPECT_EQ(window_.combo.selected, -1);
    EXPECT_EQ(f.Combo1.text(), "");
    EXPECT_EQ(f.Drive1.drive(), driveA());
    EXPECT_EQ(window_.drive.selectedText(), driveA());
    EXPECT_EQ(f.File1.pattern(), "*.xls;*.rtf");
    EXPECT_THAT(listedFiles(), ElementsAre("one.xls", "two.RTF"));
    EXPECT_EQ(window_.file.texts, f.File1.names());
    EXPECT_FALSE(iniExists());
    EXPECT_EQ(f.notice(), "");
}

TEST_F(StartupTest, RestoredValuesAreWrittenBackAsTheControlsReportThem) {
    writeIni("[Tick]\nTick=01\n");
    open();
    EXPECT_EQ(readIni(), "[Tick]\nTick=1\n");
}

TEST_F(StartupTest, FolderListShowsTheWayFromTheRootThenTheSubfolders) {
    make("a/start/inner/");
    Form1& f = open();
    f.Dir1.waitUntilListed();
    window_.flush();
    const std::string start = path("a/start");
    const size_t depth = vorrindel::listing::folderChain(start).size() - 1;
    ASSERT_EQ(window_.dir.texts.size(), depth + 2);
    EXPECT_EQ(window_.dir.texts.front(), root());
    EXPECT_EQ(window_.dir.texts[depth], "start");
    EXPECT_EQ(window_.dir.texts.back(), "inner");
    EXPECT_EQ(window_.dir.levels.back(), static_cast<int>(depth) + 1);
    EXPECT_EQ(window_.dir.selected, static_cast<int>(depth));
}

// Settings that cannot be read make the start like a first run, said on the notice line.
TEST_F(StartupTest, SettingsFileThatCannotBeReadIsReportedAndTheWindowStillComesUp) {
    std::filesystem::create_directories(ini_);  // a folder where the file should be
    expectFirstRunSaying(ini_.string());
}

}  // namespace
