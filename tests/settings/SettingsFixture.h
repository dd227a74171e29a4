#pragma once
// A fresh folder per test for comp.ini, and what each system tells about a file.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <system_error>

#include "TempFolder.h"
#include "common/Files.h"
#include "settings/SettingsFile.h"

namespace vorrindel::settings::testing {

namespace fs = std::filesystem;

// What replacing the file, or changing its permissions, would change: its identity on the disk and
// its mode or attributes (defined with each system's own tests). Empty when it does not exist.
std::string fileState(const fs::path& path);

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = vorrindel::testing::makeTempFolder("vorrindel-settings"); }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(file(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }

    fs::path file() const { return dir_ / "comp.ini"; }

    static std::string contents(const fs::path& path) { return readWholeFileOrEmpty(path); }
    static void put(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

    std::set<std::string> entries() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename().string());
        return names;
    }

    fs::path dir_;
};

// Files the program must leave exactly as they are: each save is refused and says why, every time.
// Each system adds its own kinds.
struct LeftAlone {
    const char* name;
    void (*make)(const fs::path& file);
    const char* cause;
};

class FileLeftAlone : public SettingsFileTest, public ::testing::WithParamInterface<LeftAlone> {};

}  // namespace vorrindel::settings::testing
