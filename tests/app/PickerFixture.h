#pragma once
// A real picker window over a real temporary folder tree, two fake drives and a real comp.ini.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "automation/Automation.h"

namespace vorrindel::app::testing {

// Counts creation requests; has no applications, so every request fails like a missing office.
class CountingOffice : public automation::OfficeAutomation {
public:
    automation::ObjectRef createObject(std::string_view name) override;
    automation::ObjectRef globalObject(automation::GlobalApp app) override;
    void beginRequest(automation::Clock::time_point) override {}
    void endRequest() override {}
    void cancelRequest() override {}
    std::vector<std::string> created;
};

class PickerFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes `relative` (and its folders) below the tree; a trailing "/" makes a folder.
    std::string make(const std::string& relative);
    std::string path(const std::string& relative) const { return (root_ / relative).string(); }
    void writeIni(const std::string& content);
    std::string readIni() const;
    bool iniExists() const { return std::filesystem::exists(ini_); }

    Form1& open();  // creates the window, which restores the saved settings
    std::vector<std::string> listedFiles() const;

    std::string driveA() const { return path("a") + " [ALPHA]"; }
    std::string driveB() const { return path("b") + " [BETA]"; }

    std::filesystem::path root_;
    std::filesystem::path ini_;
    std::filesystem::path previousDir_;
    CountingOffice office_;
    std::unique_ptr<Form1> form_;
};

}  // namespace vorrindel::app::testing
