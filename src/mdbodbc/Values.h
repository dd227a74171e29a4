#pragma once
// One column value of the current row, and its delivery into an application's buffer as the C type
// the application asks for. mdbtools writes each value in its own native form whatever type and
// buffer size the caller gives (a 4-byte int for a Yes/No column into a 1-byte SQL_C_BIT buffer, a
// 16-byte timestamp into anything); here every value is read into memory of ours first and only the
// bytes the requested type allows reach the caller.

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <string>

namespace vorrindel::mdbodbc {

struct Value {
    enum class Kind { Null, Integer, Real, Date, Timestamp, Text, Binary };
    Kind kind = Kind::Null;
    long long integer = 0;
    double real = 0;
    bool single = false;          // Real read from a 4-byte float: printed with float precision
    SQL_TIMESTAMP_STRUCT time{};  // Date and Timestamp
    std::string bytes;            // Text (UTF-8) and Binary

    static Value null() { return {}; }
    static Value ofInteger(long long v) {
        Value r;
        r.kind = Kind::Integer;
        r.integer = v;
        return r;
    }
    static Value ofReal(double v, bool fromFloat = false) {
        Value r;
        r.kind = Kind::Real;
        r.real = v;
        r.single = fromFloat;
        return r;
    }
    static Value ofText(std::string s) {
        Value r;
        r.kind = Kind::Text;
        r.bytes = std::move(s);
        return r;
    }
    static Value ofBinary(std::string s) {
        Value r;
        r.kind = Kind::Binary;
        r.bytes = std::move(s);
        return r;
    }
    static Value ofTime(const SQL_TIMESTAMP_STRUCT& t, bool dateOnly) {
        Value r;
        r.kind = dateOnly ? Kind::Date : Kind::Timestamp;
        r.time = t;
        return r;
    }
};

// A diagnostic record: SQLSTATE and message; an empty state means none.
struct Diag {
    std::string state;
    std::string message;
};

struct Delivery {
    SQLRETURN rc = SQL_SUCCESS;
    Diag diag;
};

// Where a piecewise read of one column stands: bytes (characters for SQL_C_WCHAR) handed out so
// far, and whether the value has been handed out in full.
struct ReadPosition {
    std::size_t offset = 0;
    bool done = false;
};

// Writes `v` as C type `cType` to `target`. Fixed-size types write exactly their own size, whatever
// `capacity` says; character and binary types never write more than `capacity` bytes and continue
// from `pos` on the next call, ending with SQL_NO_DATA. `defaultType` resolves SQL_C_DEFAULT.
Delivery deliver(const Value& v, SQLSMALLINT cType, SQLSMALLINT defaultType, void* target, SQLLEN capacity,
                 SQLLEN* indicator, ReadPosition& pos);

// Copies a whole string answer (a name, an attribute) into `capacity` bytes with its terminator;
// 01004 when it had to be cut.
Delivery copyString(const std::string& s, void* target, SQLLEN capacity);

// The C type SQL_C_DEFAULT stands for with a column of this SQL type.
SQLSMALLINT defaultCType(SQLSMALLINT sqlType);

// The value as text, as SQL_C_CHAR delivers it.
std::string asText(const Value& v);

}  // namespace vorrindel::mdbodbc
