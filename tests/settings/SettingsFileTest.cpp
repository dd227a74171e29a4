// comp.ini as every system keeps it: values whole, every other byte kept, failures said.
#include "settings/IniText.h"

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "SettingsFixture.h"

namespace vorrindel::settings::testing {
namespace {

using namespace std::string_literals;

TEST_F(SettingsFileTest, MissingFileReadsAsFourEmptyValuesWithoutError) {
    SettingsFile settings(file());
    std::string error = "stale";
    SavedSettings saved = settings.readAll(&error);
    EXPECT_EQ(saved.type + saved.drive + saved.dir + saved.tick, "");
    EXPECT_EQ(error, "");
    EXPECT_EQ(settings.readSetting("Dir", &error), "");
    EXPECT_EQ(error, "");
}

TEST_F(SettingsFileTest, FirstWriteCreatesFolderAndFile) {
    SettingsFile settings(dir_ / "a" / "b" / "comp.ini");
    EXPECT_EQ(settings.writeSetting("Tick", "1"), std::nullopt);
    EXPECT_EQ(contents(settings.path()), "[Tick]\nTick=1\n");
}

TEST_F(SettingsFileTest, ReadAllMatchesSingleReadsAndIgnoresOtherContent) {
    put(file(), "; kept\r\n[tick]\r\ntick = 2\r\n[Dir]\r\nDir=/home/a b\r\n[Other]\r\nType=Word\r\n"
                "[Type]\r\nType=Excel\r\n[Drive]\r\nDrive=/ [sda2]\r\n");
    SettingsFile settings(file());
    SavedSettings saved = settings.readAll();
    EXPECT_EQ(saved.type, "Excel");
    EXPECT_EQ(saved.drive, "/ [sda2]");
    EXPECT_EQ(saved.dir, "/home/a b");
    EXPECT_EQ(saved.tick, "2");
    EXPECT_EQ(settings.readSetting("Type"), saved.type);
    EXPECT_EQ(settings.readSetting("Drive"), saved.drive);
    EXPECT_EQ(settings.readSetting("Dir"), saved.dir);
    EXPECT_EQ(settings.readSetting("Tick"), saved.tick);
}

struct WholeCase {
    const char* rule;
    std::string value;
};

void PrintTo(const WholeCase& c, std::ostream* os) { *os << c.rule; }

class ValuesComeBackWhole : public SettingsFileTest, public ::testing::WithParamInterface<WholeCase> {};

TEST_P(ValuesComeBackWhole, StoredAndRestoredUnchanged) {
    SettingsFile settings(file());
    ASSERT_EQ(settings.writeSetting("Dir", GetParam().value), std::nullopt);
    EXPECT_EQ(settings.readSetting("Dir"), GetParam().value);
    EXPECT_EQ(settings.readAll().dir, GetParam().value);
    EXPECT_EQ(vorrindel::settings::ini::lookup(contents(file()), "Dir", "Dir"), GetParam().value);
}

const std::string k30 = "/" + std::string(29, 'd');

// Around the 31 characters that older readers kept, and well past them.
INSTANTIATE_TEST_SUITE_P(
    Boundary, ValuesComeBackWhole,
    ::testing::Values(WholeCase{"empty", ""},
                      WholeCase{"thirty", k30},
                      WholeCase{"thirty_one", k30 + "x"},
                      WholeCase{"thirty_two", k30 + "xy"},
                      WholeCase{"eighty", k30 + std::string(50, 'z')},
                      WholeCase{"very_long", k30 + std::string(4000, 'z')},
                      WholeCase{"outer_blanks_kept", " " + k30 + " "},
                      WholeCase{"multibyte_past_the_old_cut", k30 + "x\xe2\x82\xac"},
                      WholeCase{"four_byte_character", k30 + "\xf0\x9f\x98\x80!"},
                      WholeCase{"broken_sequence_kept", k30 + "\xc3\xc3"}),
    [](const auto& info) { return std::string(info.param.rule); });

TEST_F(SettingsFileTest, DeletedFileMakesNextStartLikeTheFirst) {
    SettingsFile settings(file());
    ASSERT_EQ(settings.writeSetting("Type", "Word"), std::nullopt);
    ASSERT_EQ(settings.readSetting("Type"), "Word");
    fs::remove(file());
    EXPECT_EQ(SettingsFile(file()).readAll().type, "");
}

TEST_F(SettingsFileTest, SameValueAgainLeavesFileUntouched) {
    SettingsFile settings(file());
    ASSERT_EQ(settings.writeSetting("Dir", "/home"), std::nullopt);
    const std::string before = fileState(file());
    EXPECT_EQ(settings.writeSetting("Dir", "/home"), std::nullopt);
    EXPECT_EQ(fileState(file()), before);
}

TEST_F(SettingsFileTest, ChangeReplacesFileWholeAndLeavesNoTemporaryBehind) {
    put(file(), "# mine\n[Dir]\nDir=/old\n");
    SettingsFile settings(file());
    ASSERT_EQ(settings.writeSetting("Dir", "/new"), std::nullopt);
    ASSERT_EQ(settings.writeSetting("Type", "Access"), std::nullopt);
    EXPECT_EQ(contents(file()), "# mine\n[Dir]\nDir=/new\n[Type]\nType=Access\n");
    EXPECT_EQ(entries(), (std::set<std::string>{"comp.ini", "comp.ini.lock"}));
}

TEST_F(SettingsFileTest, ValueWithLineBreakIsRefusedAndFileKept) {
    put(file(), "[Dir]\nDir=/old\n");
    SettingsFile settings(file());
    for (const std::string& bad : {"/a\nb"s, "/a\rb"s, "/a\0b"s}) {
        std::optional<std::string> error = settings.writeSetting("Dir", bad);
        ASSERT_TRUE(error.has_value());
        EXPECT_NE(error->find("Dir"), std::string::npos) << *error;
    }
    EXPECT_TRUE(settings.writeSetting("Di]r", "x").has_value());
    EXPECT_EQ(contents(file()), "[Dir]\nDir=/old\n");
    EXPECT_EQ(settings.readSetting("Di]r"), "");
}

TEST_F(SettingsFileTest, UnreadableFileIsReportedAndNeverReplaced) {
    fs::create_directory(file());  // a folder where the file should be
    put(file() / "inside", "x");
    SettingsFile settings(file());
    std::string error;
    EXPECT_EQ(settings.readSetting("Type", &error), "");
    EXPECT_NE(error.find(file().string()), std::string::npos) << error;
    error.clear();
    settings.readAll(&error);
    EXPECT_FALSE(error.empty());

    std::optional<std::string> writeError = settings.writeSetting("Type", "Word");
    ASSERT_TRUE(writeError.has_value());
    EXPECT_NE(writeError->find(file().string()), std::string::npos) << *writeError;
    EXPECT_EQ(contents(file() / "inside"), "x");
}

TEST_P(FileLeftAlone, IsNeverReplacedAndEachSaveSaysWhy) {
    GetParam().make(file());
    const std::string before = fileState(file());
    ASSERT_NE(before, "");
    SettingsFile settings(file());
    settings.readAll();  // returns at once, also for a FIFO without a writer
    for (const char* value : {"Word", "Excel"}) {
        const std::optional<std::string> error = settings.writeSetting("Type", value);
        ASSERT_TRUE(error.has_value()) << value;
        EXPECT_NE(error->find(GetParam().cause), std::string::npos) << *error;
    }
    EXPECT_EQ(fileState(file()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Everywhere, FileLeftAlone,
    ::testing::Values(LeftAlone{"read_only",
                                [](const fs::path& f) {
                                    std::ofstream(f) << "[Type]\nType=Access\n";
                                    fs::permissions(f, fs::perms::owner_read | fs::perms::group_read |
                                                           fs::perms::others_read);
                                },
                                "read-only"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsFileTest, ReadOnlyFileStillReadsAndAValueStoredAlreadyNeedsNoWrite) {
    put(file(), "[Tick]\nTick=1\n");
    fs::permissions(file(), fs::perms::owner_read);
    SettingsFile settings(file());
    EXPECT_EQ(settings.readSetting("Tick"), "1");
    EXPECT_EQ(settings.writeSetting("Tick", "1"), std::nullopt);
}

TEST_F(SettingsFileTest, FolderThatCannotBeCreatedIsReported) {
    put(dir_ / "plain", "not a folder");
    SettingsFile settings(dir_ / "plain" / "comp.ini");
    std::string error;
    EXPECT_EQ(settings.readSetting("Tick", &error), "");
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(settings.writeSetting("Tick", "1").has_value());
    EXPECT_EQ(contents(dir_ / "plain"), "not a folder");
}

TEST_F(SettingsFileTest, SuccessfulReadClearsEarlierError) {
    std::string error = "earlier";
    put(file(), "[Tick]\nTick=1\n");
    EXPECT_EQ(SettingsFile(file()).readSetting("Tick", &error), "1");
    EXPECT_EQ(error, "");
}

TEST_F(SettingsFileTest, CorruptFileStillReadsAndKeepsItsBytesOnWrite) {
    const std::string garbage = "\x7f" "ELF\0\x01\xff\n\xfe[Ty\npe]=\r\n"s;
    put(file(), garbage + "[Tick]\nTick=1");
    SettingsFile settings(file());
    EXPECT_EQ(settings.readSetting("Tick"), "1");
    ASSERT_EQ(settings.writeSetting("Tick", "0"), std::nullopt);
    ASSERT_EQ(settings.writeSetting("Type", "Word"), std::nullopt);
    EXPECT_EQ(contents(file()), garbage + "[Tick]\nTick=0\n[Type]\nType=Word\n");
}


}  // namespace
}  // namespace vorrindel::settings::testing
