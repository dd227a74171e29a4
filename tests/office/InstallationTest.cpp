// What creation reports where the office cannot serve at all; no office is started here.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

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
        o.cacheDir = dir_ + "/cache";
        o.dataDir = dir_ + "/data";
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
    EXPECT_NE(creationError([&] { office->createObject("Access.Application"); }).find("libreoffice-base"),
              std::string::npos);
    EXPECT_NE(creationError([&] { office->globalObject(GlobalApp::Excel); }).find("libreoffice-calc"),
              std::string::npos);
    EXPECT_NE(creationError([&] { office->globalObject(GlobalApp::Word); }).find("libreoffice-writer"),
              std::string::npos);
}

TEST_F(InstallationTest, MissingModuleNamesOnlyItsOwnPackage) {
    struct Row {
        std::vector<std::string> modules;  // installed
        const char* progId;
        const char* package;  // named
        const char* other;    // not named
    } rows[] = {
        {{"libsclo.so", "libsdlo.so"}, "word.application", "libreoffice-writer", "libreoffice-calc"},
        // Base reaches Access databases through its ODBC connector, a package of its own.
        {{"libdbulo.so"}, "Access.Application", "libreoffice-base-drivers", "libreoffice-calc"},
    };
    touch("soffice");
    touch("soffice.bin");
    for (const Row& row : rows) {
        for (const auto& module : row.modules) touch(module);
        auto office = makeLibreOfficeAutomation(options());
        std::string error = creationError([&] { office->createObject(row.progId); });
        EXPECT_NE(error.find(row.package), std::string::npos) << error;
        EXPECT_EQ(error.find(row.other), std::string::npos) << error;
    }
}

// The global object closes what was opened through this backend; with no office there is none.
TEST_F(InstallationTest, AccessGlobalObjectSucceedsWithoutAnOffice) {
    auto office = makeLibreOfficeAutomation(options());
    auto global = office->globalObject(GlobalApp::Access);
    EXPECT_NO_THROW(global->call("CloseCurrentDatabase"));
    for (int option : {0, 1, 2}) EXPECT_NO_THROW(global->call("Quit", {Value::integer(option)}));
    EXPECT_NO_THROW(global->call("Quit"));
    EXPECT_THROW(global->call("Quit", {Value::integer(3)}), AutomationError);
    EXPECT_THROW(global->call("OpenCurrentDatabase", {Value::text("a.mdb")}), AutomationError);
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
