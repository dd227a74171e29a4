// The Access driver through unixODBC's driver manager, as LibreOffice Base reaches it: registered in
// private ODBC files, connected through the data source with DBQ naming a copy of a real database.

#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "AccessSamples.h"
#include "Exports.h"
#include "Info.h"

namespace vorrindel::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// The driver from the build tree, registered in private files once for the whole program, as the
// office backend registers it for the office.
struct Registration {
    std::string dataSource;
};
const Registration& registration() {
    static const Registration r = [] {
        static std::string folder = [] {
            char tmpl[] = "/tmp/vorrindel-odbc-XXXXXX";
            return std::string(mkdtemp(tmpl));
        }();
        std::atexit([] { fs::remove_all(folder); });
        writeFile(folder + "/odbcinst.ini", "[Vorrindel Access test]\nDriver = " VORRINDEL_MDBODBC_DRIVER "\n");
        writeFile(folder + "/odbc.ini", "[VorrindelAccessTest]\nDriver = Vorrindel Access test\n");
        setenv("ODBCSYSINI", folder.c_str(), 1);
        setenv("ODBCINSTINI", "odbcinst.ini", 1);
        setenv("ODBCINI", (folder + "/odbc.ini").c_str(), 1);
        return Registration{"VorrindelAccessTest"};
    }();
    return r;
}

std::string diagnostics(SQLSMALLINT type, SQLHANDLE h) {
    std::string out;
    SQLCHAR state[6], message[1024];
    SQLINTEGER native;
    SQLSMALLINT length;
    for (SQLSMALLINT i = 1; SQLGetDiagRec(type, h, i, state, &native, message, sizeof message, &length) == SQL_SUCCESS;
         ++i)
        out += std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(message) + "\n";
    return out;
}

// One connection through the driver manager, and statements on it.
class Odbc {
public:
    explicit Odbc(const std::string& file) : Odbc("DSN=" + registration().dataSource + ";DBQ=" + file, true) {}
    Odbc(const std::string& connectionString, bool) {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
        std::string in = connectionString;
        rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(in.data()), SQL_NTS, nullptr, 0, nullptr,
                              SQL_DRIVER_NOPROMPT);
        error = diagnostics(SQL_HANDLE_DBC, dbc);
    }
    ~Odbc() {
        for (SQLHSTMT s : statements) SQLFreeHandle(SQL_HANDLE_STMT, s);
        if (SQL_SUCCEEDED(rc)) SQLDisconnect(dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
    SQLHSTMT statement() {
        SQLHSTMT s = nullptr;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &s);
        statements.push_back(s);
        return s;
    }
    SQLHSTMT query(const std::string& sql) {
        SQLHSTMT s = statement();
        EXPECT_EQ(SQLExecDirect(s, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS), SQL_SUCCESS)
            << diagnostics(SQL_HANDLE_STMT, s);
        return s;
    }
    // TABLE_NAME of each row of SQLTables.
    std::vector<std::string> tables(const char* type, const char* name = nullptr) {
        SQLHSTMT s = statement();
        EXPECT_EQ(SQLTables(s, nullptr, 0, nullptr, 0, (SQLCHAR*)name, SQL_NTS, (SQLCHAR*)type, SQL_NTS), SQL_SUCCESS)
            << diagnostics(SQL_HANDLE_STMT, s);
        std::vector<std::string> out;
        while (SQLFetch(s) == SQL_SUCCESS) out.push_back(text(s, 3));
        return out;
    }
    // A column as text, read in pieces of a few bytes to cross piece boundaries; "" for NULL.
    static std::string text(SQLHSTMT s, SQLUSMALLINT column) {
        std::string out;
        char piece[7];
        SQLLEN indicator = 0;
        SQLRETURN r;
        while ((r = SQLGetData(s, column, SQL_C_CHAR, piece, sizeof piece, &indicator)) != SQL_NO_DATA) {
            if (!SQL_SUCCEEDED(r) || indicator == SQL_NULL_DATA) break;
            out += piece;
        }
        return out;
    }

    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLRETURN rc = SQL_ERROR;
    std::string error;

private:
    std::vector<SQLHSTMT> statements;
};

class AccessDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        registration();
        if (auto why = accessSamplesMissing(); !why.empty()) GTEST_SKIP() << why;
    }
    void TearDown() override { EXPECT_THAT(copies.changed(), IsEmpty()) << "the driver changed a database file"; }

    AccessCopies copies;
};

TEST_F(AccessDriverTest, ListsEachFilesUserTableUnderTheTableTypeAndTheSystemTablesApart) {
    for (const auto& sample : accessSamples()) {
        SCOPED_TRACE(sample.file);
        Odbc db(copies.path(sample.file));
        ASSERT_EQ(db.rc, SQL_SUCCESS) << db.error;
        EXPECT_EQ(db.tables("TABLE"), std::vector<std::string>{sample.table});
        EXPECT_EQ(db.tables("'VIEW', 'TABLE'"), std::vector<std::string>{sample.table});
        EXPECT_EQ(db.tables(nullptr, "msys_bjects"), std::vector<std::string>{"MSysObjects"});
        auto all = db.tables(nullptr);
        EXPECT_EQ(all.back(), sample.table) << "system tables sort before user tables";
        EXPECT_THAT(db.tables("SYSTEM TABLE"), ::testing::Contains("MSysObjects"));
    }
}

TEST_F(AccessDriverTest, EveryRowMatchesMdbExport) {
    for (const auto& sample : accessSamples()) {
        SCOPED_TRACE(sample.file);
        Odbc db(copies.path(sample.file));
        ASSERT_EQ(db.rc, SQL_SUCCESS) << db.error;
        SQLHSTMT s = db.query("SELECT * FROM \"" + sample.table + "\"");
        SQLSMALLINT columns = 0;
        SQLNumResultCols(s, &columns);
        std::vector<std::vector<std::string>> rows;
        while (SQLFetch(s) == SQL_SUCCESS) {
            rows.emplace_back();
            for (SQLUSMALLINT c = 1; c <= columns; ++c) rows.back().push_back(Odbc::text(s, c));
        }
        auto expected = exportedRows(copies.path(sample.file), sample.table);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(rows, expected);
    }
}

// Base reads a Yes/No column as SQL_C_BIT into one byte; mdbtools alone writes four there.
TEST_F(AccessDriverTest, NoColumnWritesPastAOneByteBitOrTinyIntBuffer) {
    const AccessSample& sample = accessSamples()[0];
    Odbc db(copies.path(sample.file));
    ASSERT_EQ(db.rc, SQL_SUCCESS) << db.error;
    auto expected = exportedRows(copies.path(sample.file), sample.table);
    ASSERT_EQ(expected.size(), 1u);
    constexpr std::size_t kGuard = 16;
    struct Guarded {
        unsigned char bytes[2 * kGuard + 1];
        Guarded() { std::memset(bytes, 0xAA, sizeof bytes); }
        unsigned char* value() { return bytes + kGuard; }
        bool guardsIntact() const {
            for (std::size_t i = 0; i < sizeof bytes; ++i)
                if (i != kGuard && bytes[i] != 0xAA) return false;
            return true;
        }
    };
    SQLSMALLINT columns = 0;
    for (SQLSMALLINT cType : {SQL_C_BIT, SQL_C_TINYINT, SQL_C_STINYINT, SQL_C_UTINYINT}) {
        SCOPED_TRACE("C type " + std::to_string(cType));
        // Each column once through SQLGetData, then all of them bound.
        SQLHSTMT s = db.query("SELECT * FROM " + sample.table);
        SQLNumResultCols(s, &columns);
        ASSERT_EQ(columns, 12);
        ASSERT_EQ(SQLFetch(s), SQL_SUCCESS);
        for (SQLUSMALLINT c = 1; c <= columns; ++c) {
            Guarded g;
            SQLLEN indicator = 0;
            SQLRETURN r = SQLGetData(s, c, cType, g.value(), 1, &indicator);
            EXPECT_TRUE(g.guardsIntact()) << "column " << c;
            if (expected[0][c - 1] == "0" || expected[0][c - 1] == "1") {
                EXPECT_EQ(r, SQL_SUCCESS) << diagnostics(SQL_HANDLE_STMT, s);
                EXPECT_EQ(*g.value(), expected[0][c - 1][0] - '0') << "column " << c;
            }
        }
        SQLHSTMT bound = db.query("SELECT * FROM " + sample.table);
        std::vector<Guarded> buffers(columns);
        std::vector<SQLLEN> indicators(columns);
        for (SQLUSMALLINT c = 1; c <= columns; ++c)
            SQLBindCol(bound, c, cType, buffers[c - 1].value(), 1, &indicators[c - 1]);
        SQLFetch(bound);
        for (SQLUSMALLINT c = 1; c <= columns; ++c) {
            EXPECT_TRUE(buffers[c - 1].guardsIntact()) << "bound column " << c;
            if (expected[0][c - 1] == "0" || expected[0][c - 1] == "1") {
                EXPECT_EQ(*buffers[c - 1].value(), expected[0][c - 1][0] - '0') << "bound column " << c;
            }
        }
    }
}

// What Base asks before it lists tables; with mdbtools alone the first two fail and Base drops the
// list. Numbers are written at their own width into a wider buffer.
TEST_F(AccessDriverTest, AnswersTheInformationBaseAsksFor) {
    Odbc db(copies.path("Monitor.mdb"));
    ASSERT_EQ(db.rc, SQL_SUCCESS) << db.error;
    struct Case {
        SQLUSMALLINT type;
        std::string text;    // for string answers
        SQLUINTEGER number;  // otherwise
        int width;           // 0 for strings, else bytes
    };
    const Case cases[] = {
        {SQL_CATALOG_USAGE, "", 0, 4},
        {SQL_SCHEMA_USAGE, "", 0, 4},
        {SQL_DATA_SOURCE_READ_ONLY, "Y", 0, 0},
        {SQL_IDENTIFIER_QUOTE_CHAR, "\"", 0, 0},
        {SQL_CATALOG_NAME_SEPARATOR, "", 0, 0},
        {SQL_CATALOG_NAME, "N", 0, 0},
        {SQL_SEARCH_PATTERN_ESCAPE, "\\", 0, 0},
        {SQL_DATA_SOURCE_NAME, registration().dataSource, 0, 0},
        {SQL_DATABASE_NAME, "Monitor", 0, 0},
        {SQL_TXN_CAPABLE, "", SQL_TC_NONE, 2},
        {SQL_IDENTIFIER_CASE, "", SQL_IC_MIXED, 2},
        {SQL_CATALOG_LOCATION, "", 0, 2},
        {SQL_SCROLL_OPTIONS, "", SQL_SO_FORWARD_ONLY, 4},
        {SQL_GETDATA_EXTENSIONS, "", SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND, 4},
        {SQL_MAX_STATEMENT_LEN, "", 4000, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("info type " + std::to_string(c.type));
        unsigned char buf[64];
        std::memset(buf, 0xAA, sizeof buf);
        SQLSMALLINT length = -1;
        ASSERT_EQ(SQLGetInfo(db.dbc, c.type, buf, sizeof buf, &length), SQL_SUCCESS)
            << diagnostics(SQL_HANDLE_DBC, db.dbc);
        if (c.width == 0) {
            EXPECT_EQ(std::string(reinterpret_cast<char*>(buf)), c.text);
            EXPECT_EQ(length, static_cast<SQLSMALLINT>(c.text.size()));
            continue;
        }
        EXPECT_EQ(length, c.width);
        SQLUINTEGER n = 0;
        std::memcpy(&n, buf, c.width);
        EXPECT_EQ(n, c.number);
        EXPECT_EQ(buf[c.width], 0xAA) << "written past the answer's width";
    }
    for (int i = 0; i < mdbodbc::answeredInfoCount(); ++i) {
        char buf[256];
        EXPECT_TRUE(SQL_SUCCEEDED(SQLGetInfo(db.dbc, mdbodbc::answeredInfoType(i), buf, sizeof buf, nullptr)))
            << "info type " << mdbodbc::answeredInfoType(i);
    }
}

TEST_F(AccessDriverTest, RefusesEveryStatementThatWouldWrite) {
    Odbc db(copies.path("testodbc.mdb"));
    ASSERT_EQ(db.rc, SQL_SUCCESS) << db.error;
    for (const char* sql : {"DELETE FROM FPdev", "UPDATE FPdev SET id = 1", "INSERT INTO FPdev (id) VALUES (9)",
                            "CREATE TABLE x (a INTEGER)", "DROP TABLE FPdev", "ALTER TABLE FPdev ADD b INTEGER",
                            " /* c */ -- d\n  delete from FPdev", "SELECTED"}) {
        SCOPED_TRACE(sql);
        SQLHSTMT s = db.statement();
        EXPECT_EQ(SQLExecDirect(s, (SQLCHAR*)sql, SQL_NTS), SQL_ERROR);
        EXPECT_THAT(diagnostics(SQL_HANDLE_STMT, s), HasSubstr("read-only"));
        EXPECT_EQ(SQLPrepare(s, (SQLCHAR*)sql, SQL_NTS), SQL_ERROR);
    }
    EXPECT_EQ(SQLSetConnectAttr(db.dbc, SQL_ATTR_ACCESS_MODE, (SQLPOINTER)SQL_MODE_READ_WRITE, 0),
              SQL_SUCCESS_WITH_INFO);
    SQLUINTEGER mode = 0;
    SQLGetConnectAttr(db.dbc, SQL_ATTR_ACCESS_MODE, &mode, 0, nullptr);
    EXPECT_EQ(mode, static_cast<SQLUINTEGER>(SQL_MODE_READ_ONLY));
}

TEST_F(AccessDriverTest, FilesThatAreNoAccessDatabaseFailToConnectWithAClearError) {
    std::string garbage;
    for (int i = 0; i < 8192; ++i) garbage.push_back(static_cast<char>((i * 7919 + 13) % 256));
    std::string monitor = readFile(copies.path("Monitor.mdb"));
    std::string unknownVersion = monitor.substr(0, 4096);
    unknownVersion[0x14] = 0x55;
    struct Case {
        const char* name;
        std::string bytes;  // written as the file unless it is one of the special names
        const char* message;
    };
    const Case cases[] = {
        {"garbage.mdb", garbage, "is not an Access database"},
        {"empty.mdb", "", "is not an Access database"},
        {"unknown-version.mdb", unknownVersion, "cannot be read as an Access database"},
        {"header-only.mdb", monitor.substr(0, 4096), "is damaged"},
        {"cut-short.mdb", monitor.substr(0, 20000), "is damaged"},
        {"folder.mdb", "", "is not an Access database"},
        {"missing.mdb", "", "Cannot open"},
        {"", "", "needs DBQ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = c.name[0] ? copies.path(c.name) : "";
        if (std::string(c.name) == "folder.mdb")
            fs::create_directory(path);
        else if (std::string(c.name) != "missing.mdb" && !path.empty())
            writeFile(path, c.bytes);
        Odbc db(path);
        EXPECT_EQ(db.rc, SQL_ERROR);
        EXPECT_THAT(db.error, HasSubstr(c.message));
        EXPECT_THAT(db.error, HasSubstr(c.name));
    }
}

// The driver manager takes the data source from the string and the driver only DBQ, which may be
// any path: long, with a ';' (in braces), or neither.
TEST_F(AccessDriverTest, ConnectsToAnyPathThroughTheOneDataSource) {
    std::string awkward = copies.folder() + "/" + std::string(240, 'n') + ";x";
    fs::create_directory(awkward);
    fs::copy_file(copies.path("Monitor.mdb"), awkward + "/Monitor.mdb");
    for (const std::string& dbq : {copies.path("Monitor.mdb"), "{" + awkward + "/Monitor.mdb}"}) {
        SCOPED_TRACE(dbq);
        Odbc db("DSN=" + registration().dataSource + ";DBQ=" + dbq + ";UID=;PWD=", true);
        ASSERT_EQ(db.rc, SQL_SUCCESS) << db.error;
        EXPECT_EQ(db.tables("TABLE"), std::vector<std::string>{"Monitor_Authenticate"});
    }
}

// mdbtools answers these with success and no result, so that the first fetch crashed.
TEST_F(AccessDriverTest, CatalogFunctionsMdbtoolsLacksGiveEmptyResults) {
    Odbc db(copies.path("testodbc.mdb"));
    ASSERT_EQ(db.rc, SQL_SUCCESS) << db.error;
    auto t = (SQLCHAR*)"FPdev";
    const std::pair<std::function<SQLRETURN(SQLHSTMT)>, SQLSMALLINT> cases[] = {
        {[&](SQLHSTMT s) { return SQLPrimaryKeys(s, nullptr, 0, nullptr, 0, t, SQL_NTS); }, 6},
        {[&](SQLHSTMT s) { return SQLStatistics(s, nullptr, 0, nullptr, 0, t, SQL_NTS, SQL_INDEX_ALL, 0); }, 13},
        {[&](SQLHSTMT s) { return SQLSpecialColumns(s, SQL_BEST_ROWID, nullptr, 0, nullptr, 0, t, SQL_NTS, 0, 0); }, 8},
        {[&](SQLHSTMT s) {
             return SQLForeignKeys(s, nullptr, 0, nullptr, 0, t, SQL_NTS, nullptr, 0, nullptr, 0, nullptr, 0);
         },
         14},
        {[&](SQLHSTMT s) { return SQLProcedures(s, nullptr, 0, nullptr, 0, nullptr, 0); }, 8},
        {[&](SQLHSTMT s) { return SQLTablePrivileges(s, nullptr, 0, nullptr, 0, t, SQL_NTS); }, 7},
    };
    for (const auto& [call, columns] : cases) {
        SQLHSTMT s = db.statement();
        ASSERT_EQ(call(s), SQL_SUCCESS) << diagnostics(SQL_HANDLE_STMT, s);
        SQLSMALLINT n = 0;
        SQLNumResultCols(s, &n);
        EXPECT_EQ(n, columns);
        EXPECT_EQ(SQLFetch(s), SQL_NO_DATA);
    }
    SQLHSTMT s = db.statement();
    ASSERT_EQ(SQLColumns(s, nullptr, 0, nullptr, 0, (SQLCHAR*)"fp%", SQL_NTS, (SQLCHAR*)"%name", SQL_NTS), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s), SQL_SUCCESS);
    EXPECT_EQ(Odbc::text(s, 4), "UserName");
    EXPECT_EQ(SQLFetch(s), SQL_NO_DATA);
}

TEST_F(AccessDriverTest, TheCursorOnlyMovesForwardAndNeedsAResult) {
    Odbc db(copies.path("testodbc.mdb"));
    ASSERT_EQ(db.rc, SQL_SUCCESS) << db.error;
    EXPECT_EQ(SQLFetch(db.statement()), SQL_ERROR) << "nothing executed yet";
    SQLHSTMT s = db.query("SELECT * FROM FPdev");
    char buf[16];
    SQLLEN indicator;
    EXPECT_EQ(SQLGetData(s, 1, SQL_C_CHAR, buf, sizeof buf, &indicator), SQL_ERROR) << "no row fetched yet";
    EXPECT_EQ(SQLFetchScroll(s, SQL_FETCH_FIRST, 0), SQL_ERROR);
    EXPECT_EQ(SQLFetchScroll(s, SQL_FETCH_NEXT, 0), SQL_SUCCESS);
    SQLULEN type = 0;
    SQLGetStmtAttr(s, SQL_ATTR_CURSOR_TYPE, &type, 0, nullptr);
    EXPECT_EQ(type, static_cast<SQLULEN>(SQL_CURSOR_FORWARD_ONLY));
}

// The driver manager drops every function SQLGetFunctions does not confirm, and looks the rest up
// by name: each must be the driver's own, not mdbtools' of the same name behind it.
TEST_F(AccessDriverTest, EveryFunctionItClaimsIsItsOwnAndBasesAreSupported) {
    const std::string driver = VORRINDEL_MDBODBC_DRIVER;
    void* lib = dlopen(driver.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
#define VORRINDEL_CHECK_OWN(name, id)                                              \
    {                                                                              \
        Dl_info where{};                                                           \
        void* f = dlsym(lib, #name);                                               \
        ASSERT_NE(f, nullptr) << #name;                                            \
        ASSERT_NE(dladdr(f, &where), 0);                                           \
        EXPECT_EQ(fs::canonical(where.dli_fname), fs::canonical(driver)) << #name; \
    }
    VORRINDEL_MDBODBC_EXPORTS(VORRINDEL_CHECK_OWN)
#undef VORRINDEL_CHECK_OWN
    dlclose(lib);

    Odbc db(copies.path("testodbc.mdb"));
    ASSERT_EQ(db.rc, SQL_SUCCESS) << db.error;
    SQLUSMALLINT supported[SQL_API_ODBC3_ALL_FUNCTIONS_SIZE] = {};
    ASSERT_EQ(SQLGetFunctions(db.dbc, SQL_API_ODBC3_ALL_FUNCTIONS, supported), SQL_SUCCESS);
    for (SQLUSMALLINT f :
         {SQL_API_SQLCOLATTRIBUTE, SQL_API_SQLGETDATA, SQL_API_SQLBINDCOL, SQL_API_SQLTABLES, SQL_API_SQLCOLUMNS,
          SQL_API_SQLPRIMARYKEYS, SQL_API_SQLSTATISTICS, SQL_API_SQLGETTYPEINFO, SQL_API_SQLGETCONNECTATTR,
          SQL_API_SQLSETSTMTATTR, SQL_API_SQLGETSTMTATTR, SQL_API_SQLFETCHSCROLL, SQL_API_SQLGETDIAGREC,
          SQL_API_SQLPREPARE, SQL_API_SQLNATIVESQL, SQL_API_SQLNUMPARAMS, SQL_API_SQLMORERESULTS, SQL_API_SQLGETINFO})
        EXPECT_TRUE(SQL_FUNC_EXISTS(supported, f)) << "function " << f;
}

}  // namespace
}  // namespace vorrindel::testing
