// The driver's entry points as a C caller sees them: whatever fails inside comes back as
// SQL_ERROR with a diagnostic, never as an exception through the caller (which would end the
// office), also when memory has run out; and each diagnostic field at the width ODBC gives it.
// None of this needs a database. A program of its own: it replaces operator new.

#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>

#include "State.h"

// The replaced operator new and delete below are malloc and free, which the compiler cannot tell
// apart from a mismatch once inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {
// While set, every allocation through operator new fails, in this program and the driver alike.
std::atomic<bool> starved{false};
}  // namespace

void* operator new(std::size_t n) {
    if (starved.load(std::memory_order_relaxed)) throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return starved.load(std::memory_order_relaxed) ? nullptr : std::malloc(n ? n : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace vorrindel::mdbodbc {
namespace {

using ::testing::HasSubstr;

struct Record {
    SQLRETURN rc;
    std::string state, message;
};
Record firstRecord(const Diagnostics& d, SQLHANDLE h) {
    SQLCHAR state[6] = {}, message[256] = {};
    SQLINTEGER native = -1;
    SQLSMALLINT length = 0;
    SQLRETURN rc = d.record(h, 1, state, &native, message, sizeof message, &length);
    return {rc, reinterpret_cast<char*>(state), reinterpret_cast<char*>(message)};
}

static_assert(noexcept(entry(nullptr, [] { return SQL_SUCCESS; })));

TEST(AccessDriverEntry, NoExceptionLeavesAnEntryPointAndTheLastResortNeedsNoMemory) {
    int handle = 0;
    SQLHANDLE h = &handle;
    const std::runtime_error diskOnFire("the disk is on fire");  // made while memory is there
    struct Case {
        const char* name;
        bool starve;  // allocations fail from the throw on
        std::function<void()> fail;
        const char* state;
        const char* message;
    };
    const Case cases[] = {
        {"a diagnostic posted", false,
         [&] {
             fail(h, "42000", "the statement's own reason");
             throw Posted{};
         },
         "42000", "the statement's own reason"},
        {"out of memory", true, [] { throw std::bad_alloc(); }, "HY001", "Memory allocation error"},
        {"an error with a text", false, [&] { throw diskOnFire; }, "HY000", "the disk is on fire"},
        {"an error, no memory for its text", true, [&] { throw diskOnFire; }, "HY001", "Memory allocation error"},
        {"something not an exception", true, [] { throw 7; }, "HY000", "Unexpected failure in the Access driver"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SQLRETURN rc = entry(h, [&]() -> SQLRETURN {
            starved = c.starve;
            c.fail();
            return SQL_SUCCESS;
        });
        starved = false;
        EXPECT_EQ(rc, SQL_ERROR);
        Record r = firstRecord(registry().diags, h);
        EXPECT_EQ(r.rc, SQL_SUCCESS);
        EXPECT_EQ(r.state, c.state);
        EXPECT_EQ(r.message, std::string(kMessagePrefix) + c.message);
        SQLINTEGER count = 0;
        registry().diags.field(h, 0, SQL_DIAG_NUMBER, &count, 0, nullptr);
        EXPECT_EQ(count, 1) << "the previous call's records are gone";
    }
    // The next call on the handle starts without them, the fixed record included.
    EXPECT_EQ(entry(h, [] { return SQL_SUCCESS; }), SQL_SUCCESS);
    EXPECT_EQ(firstRecord(registry().diags, h).rc, SQL_NO_DATA);
}

// The built driver, called directly: the driver manager would refuse a handle it never gave out.
void* driver() {
    static void* lib = dlopen(VORRINDEL_MDBODBC_DRIVER, RTLD_NOW | RTLD_LOCAL);
    return lib;
}
#define VORRINDEL_DRIVER_FUNCTION(name) reinterpret_cast<decltype(&::name)>(dlsym(driver(), #name))

int unknown = 0;
SQLHSTMT const kUnknownStatement = &unknown;

std::string driverDiagnostic(SQLHANDLE h) {
    SQLCHAR state[6] = {}, message[256] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (VORRINDEL_DRIVER_FUNCTION(SQLGetDiagRec)(SQL_HANDLE_STMT, h, 1, state, &native, message, sizeof message,
                                                 &length) != SQL_SUCCESS)
        return "<none>";
    return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(message);
}

TEST(AccessDriverEntry, ACallThatThrowsInsideFailsWithADiagnostic) {
    ASSERT_NE(driver(), nullptr) << dlerror();
    SQLHSTMT h = kUnknownStatement;
    auto* text = reinterpret_cast<SQLCHAR*>(const_cast<char*>("SELECT * FROM t"));
    char buffer[16];
    SQLLEN indicator = 0;
    SQLSMALLINT n = 0;
    const std::pair<const char*, std::function<SQLRETURN()>> calls[] = {
        {"SQLExecDirect", [&] { return VORRINDEL_DRIVER_FUNCTION(SQLExecDirect)(h, text, SQL_NTS); }},
        {"SQLPrepare", [&] { return VORRINDEL_DRIVER_FUNCTION(SQLPrepare)(h, text, SQL_NTS); }},
        {"SQLExecute", [&] { return VORRINDEL_DRIVER_FUNCTION(SQLExecute)(h); }},
        {"SQLNumResultCols", [&] { return VORRINDEL_DRIVER_FUNCTION(SQLNumResultCols)(h, &n); }},
        {"SQLFetch", [&] { return VORRINDEL_DRIVER_FUNCTION(SQLFetch)(h); }},
        {"SQLGetData",
         [&] { return VORRINDEL_DRIVER_FUNCTION(SQLGetData)(h, 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator); }},
        {"SQLBindCol",
         [&] { return VORRINDEL_DRIVER_FUNCTION(SQLBindCol)(h, 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator); }},
        {"SQLTables",
         [&] { return VORRINDEL_DRIVER_FUNCTION(SQLTables)(h, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0); }},
        {"SQLPrimaryKeys",
         [&] { return VORRINDEL_DRIVER_FUNCTION(SQLPrimaryKeys)(h, nullptr, 0, nullptr, 0, text, SQL_NTS); }},
        {"SQLSetCursorName", [&] { return VORRINDEL_DRIVER_FUNCTION(SQLSetCursorName)(h, text, SQL_NTS); }},
    };
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        EXPECT_EQ(call(), SQL_ERROR);
        EXPECT_EQ(driverDiagnostic(h), "HY000 [Vorrindel][Access driver]Invalid statement handle");
    }
}

TEST(AccessDriverEntry, DiagnosticFieldsAreWrittenAtTheirOwnWidth) {
    ASSERT_NE(driver(), nullptr) << dlerror();
    SQLHSTMT h = kUnknownStatement;
    SQLSMALLINT n = 0;
    ASSERT_EQ(VORRINDEL_DRIVER_FUNCTION(SQLNumResultCols)(h, &n), SQL_ERROR);  // one record
    struct Case {
        const char* name;
        SQLSMALLINT record, field;
        std::size_t width;  // bytes: SQLINTEGER 4, SQLLEN 8
        long long value;
    };
    const Case cases[] = {
        {"SQL_DIAG_NUMBER", 0, SQL_DIAG_NUMBER, sizeof(SQLINTEGER), 1},
        {"SQL_DIAG_ROW_COUNT", 0, SQL_DIAG_ROW_COUNT, sizeof(SQLLEN), 0},
        {"SQL_DIAG_CURSOR_ROW_COUNT", 0, SQL_DIAG_CURSOR_ROW_COUNT, sizeof(SQLLEN), 0},
        {"SQL_DIAG_NATIVE", 1, SQL_DIAG_NATIVE, sizeof(SQLINTEGER), 0},
        {"SQL_DIAG_COLUMN_NUMBER", 1, SQL_DIAG_COLUMN_NUMBER, sizeof(SQLINTEGER), SQL_COLUMN_NUMBER_UNKNOWN},
        {"SQL_DIAG_ROW_NUMBER", 1, SQL_DIAG_ROW_NUMBER, sizeof(SQLLEN), SQL_ROW_NUMBER_UNKNOWN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unsigned char buffer[16];
        std::memset(buffer, 0xAA, sizeof buffer);
        ASSERT_EQ(VORRINDEL_DRIVER_FUNCTION(SQLGetDiagField)(SQL_HANDLE_STMT, h, c.record, c.field, buffer,
                                                             sizeof buffer, nullptr),
                  SQL_SUCCESS);
        long long written = 0;
        if (c.width == 4) {
            std::int32_t v;
            std::memcpy(&v, buffer, 4);
            written = v;
        } else {
            std::int64_t v;
            std::memcpy(&v, buffer, 8);
            written = v;
        }
        EXPECT_EQ(written, c.value) << "every byte of the field is the driver's";
        for (std::size_t i = c.width; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], 0xAA) << "byte " << i;
    }
}

}  // namespace
}  // namespace vorrindel::mdbodbc
