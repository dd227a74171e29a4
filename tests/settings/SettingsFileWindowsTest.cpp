// comp.ini on Windows: attributes, LockFileEx between writers, %APPDATA%, and the file an earlier
// version left in the Windows folder.
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "SettingsFixture.h"
#include "settings/FileStore.h"

namespace vorrindel::settings::testing {

std::string fileState(const fs::path& path) {
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok) return {};
    return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) + ":" +
           std::to_string(info.nFileIndexLow) + " attributes " + std::to_string(info.dwFileAttributes);
}

namespace {

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Windows, FileLeftAlone,
    ::testing::Values(LeftAlone{"read_only_attribute",
                                [](const fs::path& f) {
                                    std::ofstream(f) << "[Type]\nType=Access\n";
                                    SetFileAttributesW(f.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
                                },
                                "read-only"},
                      LeftAlone{"folder", [](const fs::path& f) { fs::create_directory(f); }, "not a regular file"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsFileTest, ReplacingKeepsTheFilesAttributes) {
    put(file(), "[Tick]\r\nTick=0\r\n");
    SetFileAttributesW(file().c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_EQ(SettingsFile(file()).writeSetting("Tick", "1"), std::nullopt);
    EXPECT_EQ(contents(file()), "[Tick]\r\nTick=1\r\n");
    EXPECT_TRUE(GetFileAttributesW(file().c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

// A save waits while another copy holds the lock, and then keeps that copy's change.
TEST_F(SettingsFileTest, ASaveWaitsForTheLockHeldByAnotherCopy) {
    put(file(), "[Type]\nType=Word\n");
    std::optional<store::WriteLock> other(std::in_place, file());
    ASSERT_FALSE(other->error());
    std::mutex mutex;
    std::condition_variable changed;
    bool waiting = false;
    bool done = false;
    const auto note = [&](bool& what) {
        std::lock_guard lock(mutex);
        what = true;
        changed.notify_all();
    };
    store::waitingHook = [&] { note(waiting); };
    std::optional<std::string> result = "not run";
    std::thread writer([&] {
        result = SettingsFile(file()).writeSetting("Dir", "c:\\x");
        note(done);
    });
    {
        // Until the save waits for the lock, or (when the lock keeps nobody out) has finished.
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return waiting || done; });
        EXPECT_TRUE(waiting);
        EXPECT_FALSE(done);
    }
    put(file(), "[Type]\nType=Excel\n");  // the other copy's save, under its lock
    other.reset();
    writer.join();
    store::waitingHook = nullptr;
    EXPECT_EQ(result, std::nullopt);
    EXPECT_EQ(contents(file()), "[Type]\nType=Excel\n[Dir]\nDir=c:\\x\n");
}

// Two windows open at once each save their own setting; neither save may undo the other's.
TEST_F(SettingsFileTest, TwoWritersKeepEachOthersChanges) {
    constexpr int kWrites = 60;
    auto writer = [&](const char* name, std::string prefix, int& failures) {
        SettingsFile settings(file());
        for (int i = 0; i < kWrites; ++i)
            failures += settings.writeSetting(name, prefix + std::to_string(i)).has_value();
    };
    int failures[2] = {0, 0};
    std::thread first(writer, "Type", "t", std::ref(failures[0]));
    std::thread second(writer, "Dir", "c:\\d", std::ref(failures[1]));
    first.join();
    second.join();
    EXPECT_EQ(failures[0] + failures[1], 0);
    const SavedSettings saved = SettingsFile(file()).readAll();
    EXPECT_EQ(saved.type, "t" + std::to_string(kWrites - 1));
    EXPECT_EQ(saved.dir, "c:\\d" + std::to_string(kWrites - 1));
}

// Sets an environment variable for one test.
class EnvironmentVariable {
public:
    EnvironmentVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
        wchar_t old[32768];
        const DWORD length = GetEnvironmentVariableW(name, old, 32768);
        if (length > 0 && length < 32768) old_ = old;
        SetEnvironmentVariableW(name, value);
    }
    ~EnvironmentVariable() { SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr); }

private:
    const wchar_t* name_;
    std::optional<std::wstring> old_;
};

TEST(WindowsLocation, SettingsLiveInTheRoamingProfile) {
    {
        EnvironmentVariable appData(L"APPDATA", L"Q:\\Roaming");
        EXPECT_EQ(SettingsFile::defaultLocation(), fs::path(L"Q:\\Roaming\\Vorrindel\\comp.ini"));
        EXPECT_EQ(SettingsFile::standard().path(), SettingsFile::defaultLocation());
    }
    EnvironmentVariable relative(L"APPDATA", L"Roaming");
    const fs::path fromShell = SettingsFile::defaultLocation();
    EXPECT_TRUE(fromShell.is_absolute()) << fromShell;
    EXPECT_EQ(fromShell.parent_path().filename(), L"Vorrindel");
}

// An earlier version's comp.ini: in the ANSI code page, or UTF-16; its values had no length limit
// on disk, only when read back.
class LegacyImport : public SettingsFileTest {
protected:
    void SetUp() override {
        SettingsFileTest::SetUp();
        fs::create_directories(dir_ / "store");
        fs::create_directories(dir_ / "windows");
    }
    fs::path virtualStore() const { return dir_ / "store" / "comp.ini"; }
    fs::path windowsFolder() const { return dir_ / "windows" / "comp.ini"; }
    SettingsFile settings() const { return SettingsFile(file(), {virtualStore(), windowsFolder()}); }

    static std::string utf16(const std::wstring& text) {
        std::string bytes = "\xFF\xFE";
        for (wchar_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        return bytes;
    }
};

const std::string kLongDir = "c:\\Donn\xC3\xA9" "es\\" + std::string(40, 'q') + "\\\xE6\x97\xA5";  // 52 characters

TEST_F(LegacyImport, EachEncodingReadsWholeValues) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string dir;
    };
    const std::wstring wideDir = L"c:\\Donn\xE9" "es\\" + std::wstring(40, L'q') + L"\\\x65E5";
    std::vector<Case> cases = {
        {"utf16", utf16(L"[Type]\r\nType=Excel\r\n[Dir]\r\nDir=" + wideDir + L"\r\n"), kLongDir},
        {"utf8_with_mark", "\xEF\xBB\xBF[Type]\r\nType=Excel\r\n[Dir]\r\nDir=" + kLongDir + "\r\n", kLongDir},
    };
    if (GetACP() == 1252) {
        const std::string ansiDir = "c:\\Donn\xE9" "es\\" + std::string(40, 'q');
        cases.push_back({"ansi_1252", "[Type]\r\nType=Excel\r\n[Dir]\r\nDir=" + ansiDir + "\r\n",
                         "c:\\Donn\xC3\xA9" "es\\" + std::string(40, 'q')});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        put(windowsFolder(), c.bytes);
        std::string error = "stale";
        const SavedSettings saved = settings().readAll(&error);
        EXPECT_EQ(error, "");
        EXPECT_EQ(saved.type, "Excel");
        EXPECT_EQ(saved.dir, c.dir);
        EXPECT_EQ(settings().readSetting("Dir"), c.dir);
    }
}

TEST_F(LegacyImport, FirstSaveCarriesTheValuesOverAndTheOldFileNeverChanges) {
    const std::wstring dir = L"c:\\" + std::wstring(40, L'w');
    const std::string old = utf16(L"; kept\r\n[Type]\r\nType=Word\r\n[Dir]\r\nDir=" + dir + L"\r\n");
    put(windowsFolder(), old);
    const std::string before = fileState(windowsFolder());

    SettingsFile s = settings();
    EXPECT_EQ(s.writeSetting("Type", "Word"), std::nullopt);  // held already: nothing to write
    EXPECT_FALSE(fs::exists(file()));
    ASSERT_EQ(s.writeSetting("Tick", "1"), std::nullopt);
    EXPECT_EQ(contents(file()), "; kept\r\n[Type]\r\nType=Word\r\n[Dir]\r\nDir=c:\\" + std::string(40, 'w') +
                                    "\r\n[Tick]\r\nTick=1\r\n");
    EXPECT_EQ(contents(windowsFolder()), old);
    EXPECT_EQ(fileState(windowsFolder()), before);

    // From now on the new file alone counts.
    put(windowsFolder(), "[Type]\r\nType=Access\r\n");
    EXPECT_EQ(settings().readAll().type, "Word");
}

TEST_F(LegacyImport, TheVirtualStoreCopyWinsAndAnUnreadableOneIsPassedOver) {
    put(windowsFolder(), "[Type]\r\nType=Access\r\n");
    put(virtualStore(), "[Type]\r\nType=PowerPoint\r\n");
    EXPECT_EQ(settings().readAll().type, "PowerPoint");

    fs::remove(virtualStore());
    fs::create_directory(virtualStore());
    std::string error = "stale";
    EXPECT_EQ(settings().readAll(&error).type, "Access");
    EXPECT_EQ(error, "");
}

}  // namespace
}  // namespace vorrindel::settings::testing
