#pragma once
// A fresh folder per test, removed with everything in it afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "listing/Listing.h"

namespace vorrindel::listing {

using Names = std::vector<std::string>;

class FolderListing : public ::testing::Test {
protected:
    void SetUp() override { root_ = vorrindel::testing::makeTempFolder("listing-test"); }
    void TearDown() override { std::filesystem::remove_all(root_); }

    // Names here are plain ASCII; the system tests of other names make their files themselves.
    void file(const std::string& name) { std::ofstream(root_ / name) << "x"; }
    void folder(const std::string& name) { std::filesystem::create_directories(root_ / name); }
    std::string path() const { return normalizePath(root_.string()); }

    std::filesystem::path root_;
};

}  // namespace vorrindel::listing
