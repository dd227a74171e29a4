// Registering the Access driver for a process: the files written, that the driver manager finds
// the driver through them, and the URL Base connects with.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include "AccessSamples.h"
#include "automation/libreoffice/AccessDriverSetup.h"

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

// What the office's ODBC connector does with the environment: the driver manager reaches the
// driver, which names the file it cannot open.
TEST_F(AccessDriverSetupTest, TheDriverManagerFindsTheDriverThroughTheFilesWritten) {
    std::string error;
    auto reg = writeAccessDriverRegistration(root + "/odbc", driver, error);
    ASSERT_TRUE(reg) << error;
    for (const auto& [name, value] : reg->environment) setenv(name.c_str(), value.c_str(), 1);
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    const std::string missing = root + "/missing.mdb";
    std::string in = "DSN=" + reg->dataSource + ";DBQ=" + missing;
    EXPECT_EQ(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(in.data()), SQL_NTS, nullptr, 0, nullptr,
                               SQL_DRIVER_NOPROMPT),
              SQL_ERROR);
    SQLCHAR state[6] = {}, message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLGetDiagRec(SQL_HANDLE_DBC, dbc, 1, state, &native, message, sizeof message, &length);
    EXPECT_THAT(reinterpret_cast<char*>(message), HasSubstr("[Access driver]Cannot open " + missing));
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    for (const auto& variable : reg->environment) unsetenv(variable.first.c_str());
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
