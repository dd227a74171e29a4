#include "settings/IniText.h"
#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using vorrindel::settings::SavedSettings;
using vorrindel::settings::SettingsFile;
using namespace std::string_literals;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vorrindel-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    fs::path file() const { return dir_ / "comp.ini"; }

    static std::string contents(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void put(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static ino_t inode(const fs::path& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0);
        return info.st_ino;
    }

    std::set<std::string> entries() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename().string());
        return names;
    }

    fs::path dir_;
};

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
    const ino_t before = inode(file());
    EXPECT_EQ(settings.writeSetting("Dir", "/home"), std::nullopt);
    EXPECT_EQ(inode(file()), before);
}

TEST_F(SettingsFileTest, ChangeReplacesFileWholeAndLeavesNoTemporaryBehind) {
    put(file(), "# mine\n[Dir]\nDir=/old\n");
    SettingsFile settings(file());
    ASSERT_EQ(settings.writeSetting("Dir", "/new"), std::nullopt);
    ASSERT_EQ(settings.writeSetting("Type", "Access"), std::nullopt);
    EXPECT_EQ(contents(file()), "# mine\n[Dir]\nDir=/new\n[Type]\nType=Access\n");
    EXPECT_EQ(entries(), (std::set<std::string>{"comp.ini", "comp.ini.lock"}));
}

TEST_F(SettingsFileTest, RewriteKeepsPermissionBits) {
    put(file(), "[Tick]\nTick=0\n");
    fs::permissions(file(), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(SettingsFile(file()).writeSetting("Tick", "1"), std::nullopt);
    EXPECT_EQ(fs::status(file()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

struct LinkCase {
    const char* rule;
    std::vector<std::pair<std::string, std::string>> links;  // link name in the folder -> what it names
    bool targetExists;
};

void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.rule; }

class SaveThroughLink : public SettingsFileTest, public ::testing::WithParamInterface<LinkCase> {};

// comp.ini is a link (or a chain of them) to real/comp.ini: the save lands there and the links stay.
TEST_P(SaveThroughLink, WritesTheTargetAndKeepsTheLinks) {
    fs::create_directory(dir_ / "real");
    if (GetParam().targetExists) put(dir_ / "real" / "comp.ini", "[Type]\nType=Word\n");
    for (const auto& [name, target] : GetParam().links) {
        fs::path to = target;
        fs::create_symlink(to.is_relative() ? to : dir_ / to.relative_path(), dir_ / name);
    }
    ASSERT_EQ(SettingsFile(file()).writeSetting("Type", "Excel"), std::nullopt);
    for (const auto& link : GetParam().links) EXPECT_TRUE(fs::is_symlink(dir_ / link.first)) << link.first;
    EXPECT_EQ(contents(dir_ / "real" / "comp.ini"), "[Type]\nType=Excel\n");
    EXPECT_EQ(SettingsFile(file()).readSetting("Type"), "Excel");
}

INSTANTIATE_TEST_SUITE_P(
    Links, SaveThroughLink,
    ::testing::Values(LinkCase{"absolute", {{"comp.ini", "/real/comp.ini"}}, true},
                      LinkCase{"relative", {{"comp.ini", "real/comp.ini"}}, true},
                      LinkCase{"chain", {{"comp.ini", "hop"}, {"hop", "/real/comp.ini"}}, true},
                      LinkCase{"target_not_yet_there", {{"comp.ini", "real/comp.ini"}}, false}),
    [](const auto& info) { return std::string(info.param.rule); });

// Two windows open at once each save their own setting; neither save may undo the other's.
TEST_F(SettingsFileTest, TwoRunningCopiesKeepEachOthersChanges) {
    constexpr int kWrites = 60;
    auto startWriter = [&](const char* name, const std::string& prefix) {
        pid_t pid = ::fork();
        if (pid == 0) {
            SettingsFile settings(file());
            int failures = 0;
            for (int i = 0; i < kWrites; ++i) {
                failures += settings.writeSetting(name, prefix + std::to_string(i)).has_value();
                ::usleep(500);
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
        return pid;
    };
    const pid_t writers[] = {startWriter("Type", "t"), startWriter("Dir", "/d")};
    for (pid_t pid : writers) {
        ASSERT_GT(pid, 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a save failed in writer " << pid;
    }
    SavedSettings saved = SettingsFile(file()).readAll();
    EXPECT_EQ(saved.type, "t" + std::to_string(kWrites - 1));
    EXPECT_EQ(saved.dir, "/d" + std::to_string(kWrites - 1));
}

// A writer killed at any moment leaves the file as it was before or after that save, never half of
// it, and the next save cleans up after it.
TEST_F(SettingsFileTest, KilledWriterLeavesOldOrNewFileWhole) {
    const std::string first = "/" + std::string(20000, 'a');
    const std::string second = "/" + std::string(20000, 'b');
    const std::string head = "; kept\n[Type]\nType=Word\n[Dir]\nDir=";
    put(file(), head + first + "\n");
    for (int round = 1; round <= 5; ++round) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            SettingsFile settings(file());
            for (int i = 0;; ++i) settings.writeSetting("Dir", i % 2 ? first : second);
        }
        ::usleep(15'000 * round);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);

        const std::string text = contents(file());
        EXPECT_EQ(text.substr(0, head.size()), head);
        const std::optional<std::string> dir = vorrindel::settings::ini::lookup(text, "Dir", "Dir");
        EXPECT_TRUE(dir == first || dir == second) << "round " << round << ": " << text.size() << " bytes";
    }
    ASSERT_EQ(SettingsFile(file()).writeSetting("Tick", "1"), std::nullopt);
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

// Files the program must leave exactly as they are: each save is refused and says why, every time.
struct LeftAlone {
    const char* name;
    void (*make)(const fs::path& file);
    const char* cause;
};

class FileLeftAlone : public SettingsFileTest, public ::testing::WithParamInterface<LeftAlone> {};

TEST_P(FileLeftAlone, IsNeverReplacedAndEachSaveSaysWhy) {
    GetParam().make(file());
    struct stat before {};
    ASSERT_EQ(::lstat(file().c_str(), &before), 0);
    SettingsFile settings(file());
    settings.readAll();  // returns at once, also for a FIFO without a writer
    for (const char* value : {"Word", "Excel"}) {
        const std::optional<std::string> error = settings.writeSetting("Type", value);
        ASSERT_TRUE(error.has_value()) << value;
        EXPECT_NE(error->find(GetParam().cause), std::string::npos) << *error;
    }
    struct stat after {};
    ASSERT_EQ(::lstat(file().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FileLeftAlone,
    ::testing::Values(
        LeftAlone{"fifo", [](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); }, "not a regular file"},
        LeftAlone{"read_only",
                  [](const fs::path& f) {
                      std::ofstream(f) << "[Type]\nType=Access\n";
                      fs::permissions(f, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
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

struct LocationCase {
    const char* rule;
    const char* xdgConfigHome;  // nullptr: unset
    const char* home;
    const char* expected;
};

void PrintTo(const LocationCase& c, std::ostream* os) { *os << c.rule; }

class DefaultLocation : public ::testing::TestWithParam<LocationCase> {
protected:
    void SetUp() override {
        save("XDG_CONFIG_HOME", xdg_);
        save("HOME", home_);
    }
    void TearDown() override {
        restore("XDG_CONFIG_HOME", xdg_);
        restore("HOME", home_);
    }
    static void save(const char* name, std::optional<std::string>& into) {
        if (const char* value = std::getenv(name)) into = value;
    }
    static void restore(const char* name, const std::optional<std::string>& value) {
        if (value) ::setenv(name, value->c_str(), 1);
        else ::unsetenv(name);
    }
    static void set(const char* name, const char* value) {
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    std::optional<std::string> xdg_, home_;
};

TEST_P(DefaultLocation, FollowsXdgConfigHomeOnlyWhenAbsolute) {
    set("XDG_CONFIG_HOME", GetParam().xdgConfigHome);
    set("HOME", GetParam().home);
    EXPECT_EQ(SettingsFile::defaultLocation(), fs::path(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Environment, DefaultLocation,
    ::testing::Values(LocationCase{"absolute_xdg", "/cfg", "/home/u", "/cfg/vorrindel/comp.ini"},
                      LocationCase{"relative_xdg", "cfg", "/home/u", "/home/u/.config/vorrindel/comp.ini"},
                      LocationCase{"empty_xdg", "", "/home/u", "/home/u/.config/vorrindel/comp.ini"},
                      LocationCase{"unset_xdg", nullptr, "/home/u", "/home/u/.config/vorrindel/comp.ini"}),
    [](const auto& info) { return std::string(info.param.rule); });

TEST(DefaultLocationWithoutHome, StaysAbsoluteAndFixed) {
    std::optional<std::string> home;
    if (const char* value = std::getenv("HOME")) home = value;
    ::unsetenv("HOME");
    const fs::path first = SettingsFile::defaultLocation();
    const fs::path second = SettingsFile::defaultLocation();
    if (home) ::setenv("HOME", home->c_str(), 1);
    EXPECT_TRUE(first.is_absolute()) << first;
    EXPECT_EQ(first, second);
    EXPECT_EQ(first.filename(), "comp.ini");
}

}  // namespace
