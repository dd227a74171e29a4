// comp.ini on Linux: permission bits, links, two running copies, a writer killed mid-save, FIFOs
// and the XDG location.
#include "settings/IniText.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "SettingsFixture.h"

namespace vorrindel::settings::testing {

std::string fileState(const fs::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return {};
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + " mode " + std::to_string(info.st_mode);
}

namespace {

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

INSTANTIATE_TEST_SUITE_P(
    Posix, FileLeftAlone,
    ::testing::Values(
        LeftAlone{"fifo", [](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); }, "not a regular file"}),
    [](const auto& info) { return std::string(info.param.name); });

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
}  // namespace vorrindel::settings::testing
