// Registering the Access driver for a process: the files written and the URL Base connects with.
// That the driver manager reads the files is shown by every AccessDriverTest, which connects
// through them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <stdlib.h>

#include <filesystem>

#include "AccessSamples.h"
#include "automation/libreoffice/mdbodbc/AccessDriverSetup.h"

namespace vorrindel::automation::libreoffice {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Pair;
using ::testing::UnorderedElementsAre;

class AccessDriverSetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/vorrindel-setup-XXXXXX";
        root = mkdtemp(tmpl);
        auto found = findAccessDriver();
        ASSERT_TRUE(found) << "the driver is built with these tests";
        driver = *found;
    }
    void TearDown() override { fs::remove_all(root); }
    std::string root, driver;
};

TEST_F(AccessDriverSetupTest, WritesBothFilesOnceAndTheEnvironmentThatFindsThem) {
    std::string folder = root + "/data/odbc";  // created on the way
    std::string error;
    auto reg = writeAccessDriverRegistration(folder, driver, error);
    ASSERT_TRUE(reg) << error;
    EXPECT_THAT(testing::readFile(reg->odbcinstIni), HasSubstr("Driver = " + fs::canonical(driver).string() + "\n"));
    EXPECT_THAT(testing::readFile(reg->odbcIni), HasSubstr("[" + reg->dataSource + "]\n"));
    EXPECT_THAT(reg->environment, UnorderedElementsAre(Pair("ODBCSYSINI", folder), Pair("ODBCINSTINI", "odbcinst.ini"),
                                                       Pair("ODBCINI", folder + "/odbc.ini")));
    struct stat before {
    }, after{};
    stat(reg->odbcinstIni.c_str(), &before);
    ASSERT_TRUE(writeAccessDriverRegistration(folder, driver, error));
    stat(reg->odbcinstIni.c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino) << "an unchanged file is left alone";
    EXPECT_EQ(fs::directory_iterator(folder) == fs::directory_iterator(), false);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2) << "no temporary left";
}

TEST_F(AccessDriverSetupTest, FailsWithAReasonWhereNothingCanBeRegistered) {
    testing::writeFile(root + "/file", "x");
    struct Case {
        std::string folder, driver;
        const char* reason;
    };
    const Case cases[] = {
        {root + "/a", root + "/no-such-driver.so", "does not exist"},
        {root + "/file/sub", driver, "cannot create"},
        {root + "/line\nbreak", driver, "line break"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(writeAccessDriverRegistration(c.folder, c.driver, error));
        EXPECT_THAT(error, HasSubstr(c.reason));
    }
}

TEST_F(AccessDriverSetupTest, TheConnectionUrlNamesTheDataSourceAndTheAbsoluteFile) {
    AccessDriverRegistration reg;
    reg.dataSource = "VorrindelAccess";
    EXPECT_EQ(accessConnectionUrl(reg, "/data/fruit.mdb"), "sdbc:odbc:VorrindelAccess;DBQ=/data/fruit.mdb");
    EXPECT_EQ(accessConnectionUrl(reg, "/data/a;b}.mdb"), "sdbc:odbc:VorrindelAccess;DBQ={/data/a;b}}.mdb}");
    EXPECT_EQ(accessConnectionUrl(reg, "fruit.mdb"),
              "sdbc:odbc:VorrindelAccess;DBQ=" + (fs::current_path() / "fruit.mdb").string());
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice
