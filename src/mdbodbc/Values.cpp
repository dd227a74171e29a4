#include "Values.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

namespace vorrindel::mdbodbc {

namespace {

Delivery info(const char* state, const char* message) { return {SQL_SUCCESS_WITH_INFO, {state, message}}; }
Delivery error(const char* state, const char* message) { return {SQL_ERROR, {state, message}}; }

Delivery restricted() { return error("07006", "Restricted data type attribute violation"); }
Delivery outOfRange() { return error("22003", "Numeric value out of range"); }
Delivery truncatedFraction() { return info("01S07", "Fractional truncation"); }

// A number as the numeric C types see it: exact when integral, else a double.
struct Number {
    bool integral = true;
    long long i = 0;
    double d = 0;
    long double wide() const { return integral ? static_cast<long double>(i) : static_cast<long double>(d); }
};

std::optional<Number> numberOf(const Value& v) {
    switch (v.kind) {
    case Value::Kind::Integer: return Number{true, v.integer, 0};
    case Value::Kind::Real: return Number{false, 0, v.real};
    case Value::Kind::Text: {
        const char* b = v.bytes.data();
        const char* e = b + v.bytes.size();
        while (b < e && *b == ' ') ++b;
        while (e > b && e[-1] == ' ') --e;
        if (b < e && *b == '+') ++b;
        Number n;
        if (auto r = std::from_chars(b, e, n.i); r.ec == std::errc() && r.ptr == e) return n;
        n.integral = false;
        if (auto r = std::from_chars(b, e, n.d); r.ec == std::errc() && r.ptr == e) return n;
        return std::nullopt;
    }
    default: return std::nullopt;
    }
}

template <class T>
Delivery writeFixed(void* target, SQLLEN* indicator, T value) {
    std::memcpy(target, &value, sizeof value);
    if (indicator) *indicator = sizeof value;
    return {};
}

// An integral C type: range checked, fractions cut with a warning.
template <class T>
Delivery writeInteger(const Number& n, void* target, SQLLEN* indicator) {
    long double lo = static_cast<long double>(std::numeric_limits<T>::min());
    long double hi = static_cast<long double>(std::numeric_limits<T>::max());
    long double x = n.wide();
    if (!std::isfinite(x)) return outOfRange();
    long double whole = std::trunc(x);
    if (whole < lo || whole > hi) return outOfRange();
    Delivery d = writeFixed<T>(target, indicator, static_cast<T>(whole));
    return whole != x ? truncatedFraction() : d;
}

Delivery writeBit(const Number& n, void* target, SQLLEN* indicator) {
    long double x = n.wide();
    if (!(x >= 0 && x < 2)) return outOfRange();
    unsigned char bit = x >= 1 ? 1 : 0;
    writeFixed<unsigned char>(target, indicator, bit);
    return (x == 0 || x == 1) ? Delivery{} : truncatedFraction();
}

// Character and binary data, piecewise: at most `capacity` bytes including the terminator.
Delivery writePiece(const std::string& data, std::size_t unit, std::size_t terminator, void* target, SQLLEN capacity,
                    SQLLEN* indicator, ReadPosition& pos) {
    if (pos.done) return {SQL_NO_DATA, {}};
    if (capacity < 0) return error("HY090", "Invalid string or buffer length");
    std::size_t remaining = data.size() - pos.offset;
    if (indicator) *indicator = static_cast<SQLLEN>(remaining);
    std::size_t room = 0;
    if (target && static_cast<std::size_t>(capacity) >= terminator) {
        room = (static_cast<std::size_t>(capacity) - terminator) / unit * unit;
        std::size_t n = std::min(remaining, room);
        std::memcpy(target, data.data() + pos.offset, n);
        std::memset(static_cast<char*>(target) + n, 0, terminator);
    }
    if (remaining > room) {
        pos.offset += room;
        return info("01004", "String data, right truncated");
    }
    pos.offset = data.size();
    pos.done = true;
    return {};
}

std::string utf16Of(const std::string& utf8) {
    std::u16string out;
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    std::size_t n = utf8.size();
    for (std::size_t i = 0; i < n;) {
        unsigned char c = s[i];
        std::uint32_t cp = 0xFFFD;
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len == 0 || i + len > n) {
            ++i;
        } else {
            cp = len == 1 ? c : c & (0x7F >> len);
            bool valid = true;
            for (std::size_t k = 1; k < len; ++k) {
                if ((s[i + k] & 0xC0) != 0x80) valid = false;
                cp = (cp << 6) | (s[i + k] & 0x3F);
            }
            i += valid ? len : 1;
            if (!valid || cp > 0x10FFFF) cp = 0xFFFD;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return std::string(reinterpret_cast<const char*>(out.data()), out.size() * sizeof(char16_t));
}

bool hasTime(const SQL_TIMESTAMP_STRUCT& t) { return t.hour || t.minute || t.second || t.fraction; }

Delivery writeTime(const Value& v, SQLSMALLINT cType, void* target, SQLLEN* indicator) {
    if (v.kind != Value::Kind::Date && v.kind != Value::Kind::Timestamp) return restricted();
    const SQL_TIMESTAMP_STRUCT& t = v.time;
    switch (cType) {
    case SQL_C_DATE:
    case SQL_C_TYPE_DATE: {
        Delivery d = writeFixed(target, indicator, SQL_DATE_STRUCT{t.year, t.month, t.day});
        return hasTime(t) ? truncatedFraction() : d;
    }
    case SQL_C_TIME:
    case SQL_C_TYPE_TIME: return writeFixed(target, indicator, SQL_TIME_STRUCT{t.hour, t.minute, t.second});
    default: return writeFixed(target, indicator, t);
    }
}

bool isVariable(SQLSMALLINT cType) { return cType == SQL_C_CHAR || cType == SQL_C_WCHAR || cType == SQL_C_BINARY; }

}  // namespace

Delivery copyString(const std::string& s, void* target, SQLLEN capacity) {
    if (!target) return {};
    std::size_t room = capacity > 0 ? static_cast<std::size_t>(capacity) - 1 : 0;
    std::size_t n = std::min(room, s.size());
    if (capacity > 0) {
        std::memcpy(target, s.data(), n);
        static_cast<char*>(target)[n] = 0;
    }
    return n < s.size() ? info("01004", "String data, right truncated") : Delivery{};
}

SQLSMALLINT defaultCType(SQLSMALLINT sqlType) {
    switch (sqlType) {
    case SQL_BIT: return SQL_C_BIT;
    case SQL_TINYINT: return SQL_C_STINYINT;
    case SQL_SMALLINT: return SQL_C_SSHORT;
    case SQL_INTEGER: return SQL_C_SLONG;
    case SQL_BIGINT: return SQL_C_SBIGINT;
    case SQL_REAL: return SQL_C_FLOAT;
    case SQL_FLOAT:
    case SQL_DOUBLE: return SQL_C_DOUBLE;
    case SQL_DATE:
    case SQL_TYPE_DATE: return SQL_C_TYPE_DATE;
    case SQL_TIME:
    case SQL_TYPE_TIME: return SQL_C_TYPE_TIME;
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP: return SQL_C_TYPE_TIMESTAMP;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return SQL_C_BINARY;
    default: return SQL_C_CHAR;
    }
}

std::string asText(const Value& v) {
    char buf[64];
    switch (v.kind) {
    case Value::Kind::Null: return {};
    case Value::Kind::Integer: return std::to_string(v.integer);
    case Value::Kind::Real: {
        auto r = v.single ? std::to_chars(buf, buf + sizeof buf, static_cast<float>(v.real))
                          : std::to_chars(buf, buf + sizeof buf, v.real);
        return std::string(buf, r.ptr);
    }
    case Value::Kind::Date:
    case Value::Kind::Timestamp: {
        const auto& t = v.time;
        int n = std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", t.year, t.month, t.day);
        if (v.kind == Value::Kind::Timestamp)
            n += std::snprintf(buf + n, sizeof buf - n, " %02u:%02u:%02u", t.hour, t.minute, t.second);
        return std::string(buf, n);
    }
    case Value::Kind::Text: return v.bytes;
    case Value::Kind::Binary: {
        static const char digits[] = "0123456789ABCDEF";
        std::string hex;
        for (unsigned char c : v.bytes) {
            hex.push_back(digits[c >> 4]);
            hex.push_back(digits[c & 15]);
        }
        return hex;
    }
    }
    return {};
}

Delivery deliver(const Value& v, SQLSMALLINT cType, SQLSMALLINT defaultType, void* target, SQLLEN capacity,
                 SQLLEN* indicator, ReadPosition& pos) {
    if (cType == SQL_C_DEFAULT) cType = defaultType;
    if (v.kind == Value::Kind::Null) {
        if (isVariable(cType) && pos.done) return {SQL_NO_DATA, {}};
        if (!indicator) return error("22002", "Indicator variable required but not supplied");
        *indicator = SQL_NULL_DATA;
        pos.done = isVariable(cType);
        return {};
    }
    if (!target && !isVariable(cType)) return error("HY009", "Invalid use of null pointer");
    switch (cType) {
    case SQL_C_CHAR: return writePiece(asText(v), 1, 1, target, capacity, indicator, pos);
    case SQL_C_WCHAR: return writePiece(utf16Of(asText(v)), 2, 2, target, capacity, indicator, pos);
    case SQL_C_BINARY:
        return writePiece(v.kind == Value::Kind::Binary ? v.bytes : asText(v), 1, 0, target, capacity, indicator, pos);
    case SQL_C_DATE:
    case SQL_C_TYPE_DATE:
    case SQL_C_TIME:
    case SQL_C_TYPE_TIME:
    case SQL_C_TIMESTAMP:
    case SQL_C_TYPE_TIMESTAMP: return writeTime(v, cType, target, indicator);
    case SQL_C_BIT:
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
    case SQL_C_UTINYINT:
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
    case SQL_C_USHORT:
    case SQL_C_LONG:
    case SQL_C_SLONG:
    case SQL_C_ULONG:
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT:
    case SQL_C_FLOAT:
    case SQL_C_DOUBLE: break;
    case SQL_C_NUMERIC:
    case SQL_C_GUID: return restricted();
    default: return error("HY003", "Program type out of range");
    }
    auto n = numberOf(v);
    if (!n) {
        if (v.kind == Value::Kind::Text) return error("22018", "Invalid character value for cast specification");
        return restricted();
    }
    switch (cType) {
    case SQL_C_BIT: return writeBit(*n, target, indicator);
    case SQL_C_TINYINT:
    case SQL_C_STINYINT: return writeInteger<signed char>(*n, target, indicator);
    case SQL_C_UTINYINT: return writeInteger<unsigned char>(*n, target, indicator);
    case SQL_C_SHORT:
    case SQL_C_SSHORT: return writeInteger<short>(*n, target, indicator);
    case SQL_C_USHORT: return writeInteger<unsigned short>(*n, target, indicator);
    case SQL_C_LONG:
    case SQL_C_SLONG: return writeInteger<std::int32_t>(*n, target, indicator);
    case SQL_C_ULONG: return writeInteger<std::uint32_t>(*n, target, indicator);
    case SQL_C_SBIGINT: return writeInteger<std::int64_t>(*n, target, indicator);
    case SQL_C_UBIGINT: return writeInteger<std::uint64_t>(*n, target, indicator);
    case SQL_C_FLOAT: {
        long double x = n->wide();
        if (std::isfinite(x) && std::fabs(x) > std::numeric_limits<float>::max()) return outOfRange();
        return writeFixed(target, indicator, static_cast<float>(x));
    }
    default: return writeFixed(target, indicator, static_cast<double>(n->wide()));
    }
}

}  // namespace vorrindel::mdbodbc
