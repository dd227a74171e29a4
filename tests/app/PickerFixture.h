#pragma once
// The picker's logic over a real temporary folder tree, two drives of it, a real comp.ini, the
// in-memory front end and the in-memory office.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "MemoryOffice.h"
#include "MemoryWindow.h"
#include "app/Form1.h"

namespace vorrindel::app::testing {

class PickerFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes `relative` (and its folders) below the tree; a trailing "/" makes a folder. Returns its
    // path as the lists show it.
    std::string make(const std::string& relative);
    std::string path(const std::string& relative) const;
    // The root of the file system holding the tree ("/", "c:\\").
    std::string root() const;
    void writeIni(const std::string& content);
    std::string readIni() const;
    bool iniExists() const { return std::filesystem::exists(ini_); }
    std::string saved(const char* name) const;

    Form1& open();  // creates the form, which restores the saved settings
    // What the form is made of: the drives (the root's, and the tree's "a" and "b"), the test's
    // office for the automation thread, and reports collected in logged_.
    listing::DriveTable drives() const;
    opening::RequestQueue::OfficeFactory officeFactory();
    Form1::Options options();
    // The files listed once the reading under way is done.
    std::vector<std::string> listedFiles();
    // Lets every request clicked so far end, and runs what they posted back.
    void settle();
    // Opens the folder list's entry of that path, as a double click does.
    void openFolder(const std::string& full);
    // The creations the office was asked for, in order.
    std::vector<std::string> created() const;
    // What the office was asked to open, in order.
    std::vector<std::string> opened() const;
    // Starts with a comp.ini that cannot be read: like a first run, and the notice names `cause`.
    void expectFirstRunSaying(const std::string& cause);

    std::string driveA() const { return path("a") + " [ALPHA]"; }
    std::string driveB() const { return path("b") + " [BETA]"; }

    std::filesystem::path root_;
    std::filesystem::path ini_;
    std::filesystem::path previousDir_;
    MemoryWindow window_;
    vorrindel::testing::MemoryOffice office_;
    std::vector<std::string> logged_;  // what went to standard error
    std::unique_ptr<Form1> form_;
};

}  // namespace vorrindel::app::testing
