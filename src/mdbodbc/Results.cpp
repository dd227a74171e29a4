#include "Results.h"

#include <cstdint>
#include <cstring>

#include "Mdbtools.h"

namespace vorrindel::mdbodbc {

namespace {

[[noreturn]] void failed(SQLHSTMT h, SQLRETURN rc, SQLUSMALLINT column) {
    fromMdbtools(h, rc == SQL_SUCCESS_WITH_INFO ? SQL_ERROR : rc, "HY000",
                 "Cannot read column " + std::to_string(column) + " of the Access table");
    throw Posted{};
}

// Character or binary data in pieces. mdbtools ends each character piece with a terminator and
// each binary one without.
Value readPieces(SQLHSTMT h, SQLUSMALLINT column, bool binary) {
    const auto& m = mdbtools();
    std::string out;
    char piece[4096];
    for (;;) {
        SQLLEN indicator = 0;
        std::memset(piece, 0, sizeof piece);
        SQLRETURN rc = m.SQLGetData(h, column, binary ? SQL_C_BINARY : SQL_C_CHAR, piece, sizeof piece, &indicator);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) failed(h, rc, column);
        if (indicator == SQL_NULL_DATA) return Value::null();
        bool more = rc == SQL_SUCCESS_WITH_INFO;
        std::size_t got = binary ? (more ? sizeof piece : std::min<std::size_t>(indicator, sizeof piece))
                                 : strnlen(piece, sizeof piece);
        out.append(piece, got);
        if (!more) break;
    }
    return binary ? Value::ofBinary(std::move(out)) : Value::ofText(std::move(out));
}

}  // namespace

TypeFacts factsOf(SQLSMALLINT sqlType) {
    switch (sqlType) {
    case SQL_BIT: return {1, 1, 1, 0, true, "BIT"};
    case SQL_TINYINT: return {1, 3, 3, 10, true, "BYTE"};
    case SQL_SMALLINT: return {2, 5, 6, 10, false, "SMALLINT"};
    case SQL_INTEGER: return {4, 10, 11, 10, false, "INTEGER"};
    case SQL_REAL: return {4, 7, 14, 2, false, "REAL"};
    case SQL_FLOAT: return {8, 15, 24, 2, false, "FLOAT"};
    case SQL_DOUBLE: return {8, 15, 24, 2, false, "DOUBLE"};
    case SQL_DECIMAL:
    case SQL_NUMERIC: return {21, 19, 21, 10, false, "DECIMAL"};
    case SQL_DATE:
    case SQL_TYPE_DATE: return {6, 10, 10, 0, true, "DATE"};
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP: return {16, 19, 19, 0, true, "DATETIME"};
    case SQL_LONGVARBINARY: return {0, 0, 0, 0, true, "LONGBINARY"};
    case SQL_LONGVARCHAR: return {0, 0, 0, 0, true, "LONGCHAR"};
    default: return {0, 0, 0, 0, true, "VARCHAR"};
    }
}

std::optional<ColumnInfo> describe(SQLHSTMT h, const Statement& s, SQLUSMALLINT column) {
    if (s.local) {
        if (column < 1 || column > s.local->columns.size()) return std::nullopt;
        return s.local->columns[column - 1];
    }
    SQLCHAR name[256] = {};
    SQLSMALLINT nameLength = 0, type = 0, scale = 0, nullable = SQL_NULLABLE_UNKNOWN;
    SQLULEN size = 0;
    if (!SQL_SUCCEEDED(
            mdbtools().SQLDescribeCol(h, column, name, sizeof name, &nameLength, &type, &size, &scale, &nullable)))
        return std::nullopt;
    // mdbtools reports the stored bytes of fixed-size types (8 for a date, 0 for Yes/No); the
    // column size of those is their precision.
    TypeFacts facts = factsOf(type);
    if (facts.octets) size = facts.precision;
    return ColumnInfo{reinterpret_cast<char*>(name), type, size, nullable};
}

SQLSMALLINT columnCount(SQLHSTMT h, const Statement& s) {
    if (s.local) return static_cast<SQLSMALLINT>(s.local->columns.size());
    SQLSMALLINT n = 0;
    if (!s.open && !s.prepared) return 0;
    if (!SQL_SUCCEEDED(mdbtools().SQLNumResultCols(h, &n))) return 0;
    return n;
}

Value readMdbtools(SQLHSTMT h, SQLUSMALLINT column, SQLSMALLINT sqlType) {
    const auto& m = mdbtools();
    // Big and aligned enough for whatever mdbtools writes, whatever type it is asked for.
    alignas(16) unsigned char buf[64] = {};
    SQLLEN indicator = 0;
    auto get = [&](SQLSMALLINT cType) {
        SQLRETURN rc = m.SQLGetData(h, column, cType, buf, sizeof buf, &indicator);
        if (!SQL_SUCCEEDED(rc)) failed(h, rc, column);
        return indicator != SQL_NULL_DATA;
    };
    switch (sqlType) {
    case SQL_BIT:  // mdbtools writes a 4-byte int here, whatever type is asked for
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER: {
        if (!get(SQL_C_SLONG)) return Value::null();
        std::int32_t v = 0;
        std::memcpy(&v, buf, sizeof v);
        return Value::ofInteger(sqlType == SQL_BIT ? v != 0 : v);
    }
    case SQL_REAL:
    case SQL_FLOAT: {  // mdbtools' SQL_FLOAT is Access' 4-byte Single
        if (!get(SQL_C_FLOAT)) return Value::null();
        float v = 0;
        std::memcpy(&v, buf, sizeof v);
        return Value::ofReal(v, true);
    }
    case SQL_DOUBLE: {
        if (!get(SQL_C_DOUBLE)) return Value::null();
        double v = 0;
        std::memcpy(&v, buf, sizeof v);
        return Value::ofReal(v);
    }
    case SQL_DATE:
    case SQL_TYPE_DATE:
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP: {
        // A date struct or a timestamp struct, depending on the column's format; both begin with
        // year, month and day.
        if (!get(SQL_C_TYPE_TIMESTAMP)) return Value::null();
        SQL_TIMESTAMP_STRUCT t{};
        std::memcpy(&t, buf, sizeof t);
        return Value::ofTime(t, indicator == static_cast<SQLLEN>(sizeof(SQL_DATE_STRUCT)));
    }
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return readPieces(h, column, true);
    default: return readPieces(h, column, false);
    }
}

LocalResult snapshot(SQLHSTMT h, const Statement& s) {
    LocalResult r;
    SQLSMALLINT n = columnCount(h, s);
    for (SQLUSMALLINT c = 1; c <= n; ++c) {
        auto info = describe(h, s, c);
        if (!info) throw std::runtime_error("mdbtools lost column " + std::to_string(c) + " of its catalog");
        r.columns.push_back(*info);
    }
    for (;;) {
        SQLRETURN rc = mdbtools().SQLFetch(h);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) {
            fromMdbtools(h, SQL_ERROR, "HY000", "Cannot read the Access catalog");
            throw Posted{};
        }
        std::vector<Value> row;
        for (SQLUSMALLINT c = 1; c <= n; ++c) row.push_back(readMdbtools(h, c, r.columns[c - 1].type));
        r.rows.push_back(std::move(row));
    }
    return r;
}

void closeResult(Statement& s) {
    s.open = false;
    s.onRow = false;
    s.local.reset();
    s.row.clear();
}

}  // namespace vorrindel::mdbodbc
