// The driver's own pieces at their boundaries: values into application buffers, and the text it
// reads from callers.

#include <gtest/gtest.h>

#include <cstring>

#include "Text.h"
#include "Values.h"

namespace vorrindel::mdbodbc {
namespace {

SQL_TIMESTAMP_STRUCT moment(bool withTime) {
    SQL_TIMESTAMP_STRUCT t{};
    t.year = 2000, t.month = 6, t.day = 17;
    if (withTime) t.hour = 20, t.minute = 36, t.second = 24;
    return t;
}

// One value into a fixed-size C type: exactly its width written, the rest of the buffer untouched.
TEST(AccessValues, FixedTypesWriteTheirWidthOnlyAndCheckRange) {
    struct Case {
        Value value;
        SQLSMALLINT cType;
        SQLRETURN rc;
        const char* state;
        std::size_t width;
        long long expected;  // the written bytes as a little-endian number
    };
    const Case cases[] = {
        {Value::ofInteger(1), SQL_C_BIT, SQL_SUCCESS, "", 1, 1},
        {Value::ofInteger(0), SQL_C_BIT, SQL_SUCCESS, "", 1, 0},
        {Value::ofInteger(2), SQL_C_BIT, SQL_ERROR, "22003", 0, 0},
        {Value::ofReal(0.5), SQL_C_BIT, SQL_SUCCESS_WITH_INFO, "01S07", 1, 0},
        {Value::ofInteger(127), SQL_C_STINYINT, SQL_SUCCESS, "", 1, 127},
        {Value::ofInteger(128), SQL_C_STINYINT, SQL_ERROR, "22003", 0, 0},
        {Value::ofInteger(255), SQL_C_UTINYINT, SQL_SUCCESS, "", 1, 255},
        {Value::ofInteger(-1), SQL_C_UTINYINT, SQL_ERROR, "22003", 0, 0},
        {Value::ofInteger(-2), SQL_C_TINYINT, SQL_SUCCESS, "", 1, 0xFE},
        {Value::ofInteger(70000), SQL_C_SSHORT, SQL_ERROR, "22003", 0, 0},
        {Value::ofText(" 42 "), SQL_C_SSHORT, SQL_SUCCESS, "", 2, 42},
        {Value::ofText("1234567890123"), SQL_C_SBIGINT, SQL_SUCCESS, "", 8, 1234567890123},
        {Value::ofText("12.5"), SQL_C_SLONG, SQL_SUCCESS_WITH_INFO, "01S07", 4, 12},
        {Value::ofText("nobody@example.org"), SQL_C_SLONG, SQL_ERROR, "22018", 0, 0},
        {Value::ofReal(4e9), SQL_C_ULONG, SQL_SUCCESS, "", 4, 4000000000},
        {Value::ofReal(5e9), SQL_C_ULONG, SQL_ERROR, "22003", 0, 0},
        {Value::ofTime(moment(true), false), SQL_C_SLONG, SQL_ERROR, "07006", 0, 0},
        {Value::ofInteger(7), SQL_C_NUMERIC, SQL_ERROR, "07006", 0, 0},
        {Value::ofInteger(7), 12345, SQL_ERROR, "HY003", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("C type " + std::to_string(c.cType) + " from " + asText(c.value));
        unsigned char buf[16];
        std::memset(buf, 0xAA, sizeof buf);
        SQLLEN indicator = -99;
        ReadPosition pos;
        Delivery d = deliver(c.value, c.cType, SQL_C_CHAR, buf, 1, &indicator, pos);
        EXPECT_EQ(d.rc, c.rc);
        EXPECT_EQ(d.diag.state, c.state);
        if (c.width == 0) {
            EXPECT_EQ(buf[0], 0xAA) << "nothing written on error";
            continue;
        }
        EXPECT_EQ(indicator, static_cast<SQLLEN>(c.width));
        long long written = 0;
        std::memcpy(&written, buf, c.width);
        EXPECT_EQ(written, c.expected);
        EXPECT_EQ(buf[c.width], 0xAA);
    }
}

TEST(AccessValues, DatesAndTimestampsConvertBetweenTheirStructs) {
    SQL_DATE_STRUCT date{};
    SQLLEN indicator = 0;
    ReadPosition pos;
    Delivery d = deliver(Value::ofTime(moment(true), false), SQL_C_TYPE_DATE, SQL_C_CHAR, &date, 0, &indicator, pos);
    EXPECT_EQ(d.diag.state, "01S07") << "the time of day is cut";
    EXPECT_EQ(indicator, static_cast<SQLLEN>(sizeof date));
    EXPECT_EQ(date.year * 10000 + date.month * 100 + date.day, 20000617);

    SQL_TIMESTAMP_STRUCT ts;
    std::memset(&ts, 0xAA, sizeof ts);
    d = deliver(Value::ofTime(moment(false), true), SQL_C_DEFAULT, SQL_C_TYPE_TIMESTAMP, &ts, 0, &indicator, pos);
    EXPECT_EQ(d.rc, SQL_SUCCESS);
    EXPECT_EQ(ts.hour + ts.minute + ts.second + ts.fraction, 0u);
    EXPECT_EQ(asText(Value::ofTime(moment(true), false)), "2000-06-17 20:36:24");
    EXPECT_EQ(asText(Value::ofReal(0.1f, true)), "0.1") << "a Single prints with float precision";
}

// Character data comes in pieces, each cut to the buffer with its terminator, then SQL_NO_DATA.
TEST(AccessValues, CharacterDataComesInPiecesThatFitTheBuffer) {
    struct Case {
        SQLSMALLINT cType;
        std::string value;
        SQLLEN capacity;
        std::vector<std::string> pieces;  // the bytes delivered by each call, terminator excluded
    };
    const std::string wideAb("a\0b\0", 4);
    const Case cases[] = {
        {SQL_C_CHAR, "abcdef", 4, {"abc", "def"}},
        {SQL_C_CHAR, "abc", 4, {"abc"}},
        {SQL_C_CHAR, "", 4, {""}},
        {SQL_C_BINARY, "abcdef", 4, {"abcd", "ef"}},
        {SQL_C_WCHAR, "ab", 5, {std::string("a\0", 2), std::string("b\0", 2)}},
        {SQL_C_WCHAR, "ab", 6, {wideAb}},
        {SQL_C_WCHAR, "\xC3\xA9", 4, {std::string("\xE9\0", 2)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value + " in " + std::to_string(c.capacity) + " bytes");
        ReadPosition pos;
        Value v = Value::ofText(c.value);
        std::size_t remaining = c.cType == SQL_C_WCHAR ? 2 * c.pieces.size() : c.value.size();
        for (std::size_t i = 0; i < c.pieces.size(); ++i) {
            char buf[16];
            std::memset(buf, 0x55, sizeof buf);
            SQLLEN indicator = 0;
            Delivery d = deliver(v, c.cType, SQL_C_CHAR, buf, c.capacity, &indicator, pos);
            bool last = i + 1 == c.pieces.size();
            EXPECT_EQ(d.rc, last ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO) << "piece " << i;
            EXPECT_EQ(std::string(buf, c.pieces[i].size()), c.pieces[i]);
            if (c.cType == SQL_C_CHAR) {
                EXPECT_EQ(buf[c.pieces[i].size()], '\0');
            }
            EXPECT_EQ(buf[c.capacity], 0x55) << "written past the buffer";
            if (c.cType != SQL_C_WCHAR) {
                EXPECT_EQ(indicator, static_cast<SQLLEN>(remaining));
            }
            remaining -= c.pieces[i].size();
        }
        char buf[16];
        EXPECT_EQ(deliver(v, c.cType, SQL_C_CHAR, buf, c.capacity, nullptr, pos).rc, SQL_NO_DATA);
    }
}

TEST(AccessValues, NullNeedsAnIndicator) {
    ReadPosition pos;
    int target = 5;
    EXPECT_EQ(deliver(Value::null(), SQL_C_SLONG, SQL_C_CHAR, &target, 0, nullptr, pos).diag.state, "22002");
    SQLLEN indicator = 0;
    EXPECT_EQ(deliver(Value::null(), SQL_C_SLONG, SQL_C_CHAR, &target, 0, &indicator, pos).rc, SQL_SUCCESS);
    EXPECT_EQ(indicator, SQL_NULL_DATA);
    EXPECT_EQ(target, 5);
}

TEST(AccessText, ConnectionStringsTakeBracesAndKeysInAnyCase) {
    auto a = parseConnectionString("DSN=VorrindelAccess; dbq = /a b/c.mdb ;UID=;pwd={x;}}y}");
    EXPECT_EQ(a["DSN"], "VorrindelAccess");
    EXPECT_EQ(a["DBQ"], "/a b/c.mdb");
    EXPECT_EQ(a["UID"], "");
    EXPECT_EQ(a["PWD"], "x;}y");
    EXPECT_EQ(parseConnectionString("DBQ={/x;y.mdb}")["DBQ"], "/x;y.mdb");
    EXPECT_TRUE(parseConnectionString("junk;;").empty());
}

TEST(AccessText, SearchPatternsMatchLikeOdbc) {
    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    };
    const Case cases[] = {
        {"FPdev", "%", true},
        {"FPdev", "fpDEV", true},
        {"FPdev", "FP_ev", true},
        {"FPdev", "F%v", true},
        {"FPdev", "F%x", false},
        {"FPdev", "FPde", false},
        {"My_Table", "My\\_Table", true},
        {"MyXTable", "My\\_Table", false},
        {"a%b", "a\\%b", true},
        {"", "%", true},
        {"", "_", false},
    };
    for (const Case& c : cases) EXPECT_EQ(matchesPattern(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
}

TEST(AccessText, OnlySelectStatementsRead) {
    for (const char* sql :
         {"SELECT * FROM t", "select*from t", "  (SELECT 1)", "/* x */ -- y\n Select a FROM t", "SELECT"})
        EXPECT_TRUE(isReadOnlyStatement(sql)) << sql;
    for (const char* sql :
         {"DELETE FROM t", "SELECTED", "SELECT_X", "", "/* SELECT */ DROP TABLE t", "-- SELECT\nUPDATE t"})
        EXPECT_FALSE(isReadOnlyStatement(sql)) << sql;
}

}  // namespace
}  // namespace vorrindel::mdbodbc
