// What creation reports where the office cannot serve at all; no office is started here.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "automation/libreoffice/LibreOfficeAutomation.h"

namespace vorrindel::automation::libreoffice {
namespace {

namespace fs = std::filesystem;

class InstallationTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/vorrindel-install-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { fs::remove_all(dir_); }
    void touch(const std::string& name) { std::ofstream(dir_ + "/" + name) << ""; }
    LibreOfficeOptions options() {
        LibreOfficeOptions o;
        o.programDir = dir_;
        o.profileDir = dir_ + "/profile";
        o.pipeName = "vorrindel_install_test";
        return o;
    }
    static std::string creationError(const std::function<void()>& create) {
        try {
            create();
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.code(), errors::kCannotCreate);
            return e.description();
        }
        ADD_FAILURE() << "creation succeeded";
        return {};
    }
    std::string dir_;
};

TEST_F(InstallationTest, AbsentOfficeNamesThePackageOfEachApplication) {
    auto office = makeLibreOfficeAutomation(options());
    EXPECT_NE(creationError([&] { office->createObject("excel.application"); }).find("libreoffice-calc"),
              std::string::npos);
    EXPECT_NE(creationError([&] { office->createObject("word.application"); }).find("libreoffice-writer"),
              std::string::npos);
    EXPECT_NE(creationError([&] { office->createObject("PowerPoint.Application"); }).find("libreoffice-impress"),
              std::string::npos);
    EXPECT_NE(creationError([&] { office->globalObject(GlobalApp::Excel); }).find("libreoffice-calc"),
              std::string::npos);
    EXPECT_NE(creationError([&] { office->globalObject(GlobalApp::Word); }).find("libreoffice-writer"),
              std::string::npos);
}

TEST_F(InstallationTest, MissingModuleNamesOnlyItsOwnPackage) {
    touch("soffice");
    touch("soffice.bin");
    touch("libsclo.so");
    touch("libsdlo.so");
    auto office = makeLibreOfficeAutomation(options());
    std::string error = creationError([&] { office->createObject("word.application"); });
    EXPECT_NE(error.find("libreoffice-writer"), std::string::npos) << error;
    EXPECT_EQ(error.find("libreoffice-calc"), std::string::npos) << error;
}

TEST_F(InstallationTest, DatabasesAreRefusedWithTheReason) {
    auto office = makeLibreOfficeAutomation(options());
    EXPECT_NE(creationError([&] { office->createObject("Access.Application"); }).find(".mdb"), std::string::npos);
    EXPECT_NE(creationError([&] { office->globalObject(GlobalApp::Access); }).find(".mdb"), std::string::npos);
}

TEST_F(InstallationTest, UnknownApplicationNameCannotBeCreated) {
    auto office = makeLibreOfficeAutomation(options());
    EXPECT_NE(creationError([&] { office->createObject("Outlook.Application"); }).find("Outlook.Application"),
              std::string::npos);
    EXPECT_NE(creationError([&] { office->createObject("excel.application.8"); }).find("excel.application.8"),
              std::string::npos);
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice
