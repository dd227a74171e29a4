#include "Info.h"

#include <cstring>

#include "Exports.h"

namespace vorrindel::mdbodbc {

namespace {

enum class Width { Text, Small, Word };  // string, SQLUSMALLINT, SQLUINTEGER

struct Answer {
    SQLUSMALLINT type;
    Width width;
    const char* text;
    SQLUINTEGER number;
};

constexpr Answer text(SQLUSMALLINT t, const char* s) { return {t, Width::Text, s, 0}; }
constexpr Answer small(SQLUSMALLINT t, SQLUINTEGER n) { return {t, Width::Small, nullptr, n}; }
constexpr Answer word(SQLUSMALLINT t, SQLUINTEGER n) { return {t, Width::Word, nullptr, n}; }
// Answers that depend on the connection carry no text here.
constexpr Answer perConnection(SQLUSMALLINT t) { return {t, Width::Text, nullptr, 0}; }

// A read-only, forward-only source with one table namespace: no catalogs, no schemas, no
// transactions, no data definition, no functions in SQL. mdbtools' SQL gets some WHERE clauses wrong
// and has no ORDER BY, so no SQL capability is promised beyond plain SELECT.
constexpr Answer kAnswers[] = {
    // The source and the driver.
    text(SQL_DATA_SOURCE_READ_ONLY, "Y"),
    perConnection(SQL_DATA_SOURCE_NAME),
    perConnection(SQL_DATABASE_NAME),
    text(SQL_SERVER_NAME, ""),
    text(SQL_USER_NAME, ""),
    text(SQL_DBMS_NAME, "MDBTOOLS"),
    text(SQL_DBMS_VER, "01.00.0000"),
    text(SQL_DRIVER_NAME, "libvorrindel_mdbodbc.so"),
    text(SQL_DRIVER_VER, "01.00.0000"),
    text(SQL_DRIVER_ODBC_VER, "03.00"),
    text(SQL_XOPEN_CLI_YEAR, "1995"),
    small(SQL_ODBC_API_CONFORMANCE, SQL_OAC_LEVEL1),
    small(SQL_ODBC_SQL_CONFORMANCE, SQL_OSC_MINIMUM),
    small(SQL_ODBC_SAG_CLI_CONFORMANCE, SQL_OSCC_NOT_COMPLIANT),
    word(SQL_ODBC_INTERFACE_CONFORMANCE, SQL_OIC_CORE),
    word(SQL_SQL_CONFORMANCE, SQL_SC_SQL92_ENTRY),
    word(SQL_STANDARD_CLI_CONFORMANCE, 0),
    small(SQL_ACTIVE_ENVIRONMENTS, 0),
    small(SQL_MAX_DRIVER_CONNECTIONS, 0),
    small(SQL_MAX_CONCURRENT_ACTIVITIES, 0),
    small(SQL_FILE_USAGE, SQL_FILE_NOT_SUPPORTED),
    word(SQL_ASYNC_MODE, SQL_AM_NONE),
    word(SQL_MAX_ASYNC_CONCURRENT_STATEMENTS, 0),
    text(SQL_ACCESSIBLE_TABLES, "Y"),
    text(SQL_ACCESSIBLE_PROCEDURES, "N"),
    text(SQL_INTEGRITY, "N"),
    text(SQL_COLLATION_SEQ, ""),
    // Names: tables only, no catalogs or schemas.
    word(SQL_CATALOG_USAGE, 0),
    word(SQL_SCHEMA_USAGE, 0),
    text(SQL_CATALOG_NAME, "N"),
    text(SQL_CATALOG_NAME_SEPARATOR, ""),
    text(SQL_CATALOG_TERM, ""),
    small(SQL_CATALOG_LOCATION, 0),
    text(SQL_SCHEMA_TERM, ""),
    text(SQL_TABLE_TERM, "table"),
    text(SQL_PROCEDURE_TERM, ""),
    text(SQL_PROCEDURES, "N"),
    text(SQL_IDENTIFIER_QUOTE_CHAR, "\""),
    small(SQL_IDENTIFIER_CASE, SQL_IC_MIXED),
    small(SQL_QUOTED_IDENTIFIER_CASE, SQL_IC_MIXED),
    text(SQL_SEARCH_PATTERN_ESCAPE, "\\"),
    text(SQL_SPECIAL_CHARACTERS, ""),
    text(SQL_KEYWORDS, ""),
    text(SQL_LIKE_ESCAPE_CLAUSE, "N"),
    small(SQL_MAX_CATALOG_NAME_LEN, 0),
    small(SQL_MAX_SCHEMA_NAME_LEN, 0),
    small(SQL_MAX_TABLE_NAME_LEN, 64),
    small(SQL_MAX_COLUMN_NAME_LEN, 64),
    small(SQL_MAX_IDENTIFIER_LEN, 64),
    small(SQL_MAX_CURSOR_NAME_LEN, 18),
    small(SQL_MAX_PROCEDURE_NAME_LEN, 0),
    small(SQL_MAX_USER_NAME_LEN, 0),
    // Limits. mdbtools keeps a statement in a 4 KiB buffer; longer ones are refused before it.
    word(SQL_MAX_STATEMENT_LEN, 4000),
    word(SQL_MAX_ROW_SIZE, 0),
    text(SQL_MAX_ROW_SIZE_INCLUDES_LONG, "N"),
    word(SQL_MAX_CHAR_LITERAL_LEN, 255),
    word(SQL_MAX_BINARY_LITERAL_LEN, 0),
    word(SQL_MAX_INDEX_SIZE, 0),
    small(SQL_MAX_COLUMNS_IN_TABLE, 255),
    small(SQL_MAX_COLUMNS_IN_SELECT, 255),
    small(SQL_MAX_COLUMNS_IN_GROUP_BY, 0),
    small(SQL_MAX_COLUMNS_IN_ORDER_BY, 0),
    small(SQL_MAX_COLUMNS_IN_INDEX, 0),
    small(SQL_MAX_TABLES_IN_SELECT, 1),
    // Transactions: none; nothing is ever written.
    small(SQL_TXN_CAPABLE, SQL_TC_NONE),
    word(SQL_DEFAULT_TXN_ISOLATION, 0),
    word(SQL_TXN_ISOLATION_OPTION, 0),
    text(SQL_MULTIPLE_ACTIVE_TXN, "N"),
    small(SQL_CURSOR_COMMIT_BEHAVIOR, SQL_CB_PRESERVE),
    small(SQL_CURSOR_ROLLBACK_BEHAVIOR, SQL_CB_PRESERVE),
    // Cursors: forward-only and read-only.
    word(SQL_SCROLL_OPTIONS, SQL_SO_FORWARD_ONLY),
    word(SQL_SCROLL_CONCURRENCY, SQL_SCCO_READ_ONLY),
    word(SQL_FETCH_DIRECTION, SQL_FD_FETCH_NEXT),
    word(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1, SQL_CA1_NEXT),
    word(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES2, SQL_CA2_READ_ONLY_CONCURRENCY),
    word(SQL_STATIC_CURSOR_ATTRIBUTES1, 0),
    word(SQL_STATIC_CURSOR_ATTRIBUTES2, 0),
    word(SQL_KEYSET_CURSOR_ATTRIBUTES1, 0),
    word(SQL_KEYSET_CURSOR_ATTRIBUTES2, 0),
    word(SQL_DYNAMIC_CURSOR_ATTRIBUTES1, 0),
    word(SQL_DYNAMIC_CURSOR_ATTRIBUTES2, 0),
    word(SQL_CURSOR_SENSITIVITY, SQL_INSENSITIVE),
    word(SQL_STATIC_SENSITIVITY, 0),
    word(SQL_LOCK_TYPES, 0),
    word(SQL_POS_OPERATIONS, 0),
    word(SQL_POSITIONED_STATEMENTS, 0),
    word(SQL_BOOKMARK_PERSISTENCE, 0),
    text(SQL_ROW_UPDATES, "N"),
    word(SQL_GETDATA_EXTENSIONS, SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND),
    text(SQL_MULT_RESULT_SETS, "N"),
    // Statements and parameters.
    word(SQL_BATCH_SUPPORT, 0),
    word(SQL_BATCH_ROW_COUNT, 0),
    word(SQL_PARAM_ARRAY_ROW_COUNTS, SQL_PARC_NO_BATCH),
    word(SQL_PARAM_ARRAY_SELECTS, SQL_PAS_NO_SELECT),
    text(SQL_DESCRIBE_PARAMETER, "N"),
    text(SQL_NEED_LONG_DATA_LEN, "N"),
    // SQL: plain SELECT only.
    word(SQL_AGGREGATE_FUNCTIONS, SQL_AF_COUNT),
    small(SQL_CORRELATION_NAME, SQL_CN_NONE),
    text(SQL_COLUMN_ALIAS, "N"),
    small(SQL_GROUP_BY, SQL_GB_NOT_SUPPORTED),
    text(SQL_ORDER_BY_COLUMNS_IN_SELECT, "N"),
    text(SQL_EXPRESSIONS_IN_ORDERBY, "N"),
    text(SQL_OUTER_JOINS, "N"),
    word(SQL_OJ_CAPABILITIES, 0),
    word(SQL_SUBQUERIES, 0),
    word(SQL_UNION, 0),
    small(SQL_NON_NULLABLE_COLUMNS, SQL_NNC_NULL),
    small(SQL_NULL_COLLATION, SQL_NC_LOW),
    small(SQL_CONCAT_NULL_BEHAVIOR, SQL_CB_NULL),
    word(SQL_DATETIME_LITERALS, 0),
    word(SQL_NUMERIC_FUNCTIONS, 0),
    word(SQL_STRING_FUNCTIONS, 0),
    word(SQL_SYSTEM_FUNCTIONS, 0),
    word(SQL_TIMEDATE_FUNCTIONS, 0),
    word(SQL_TIMEDATE_ADD_INTERVALS, 0),
    word(SQL_TIMEDATE_DIFF_INTERVALS, 0),
    word(SQL_CONVERT_FUNCTIONS, 0),
    word(SQL_SQL92_DATETIME_FUNCTIONS, 0),
    word(SQL_SQL92_FOREIGN_KEY_DELETE_RULE, 0),
    word(SQL_SQL92_FOREIGN_KEY_UPDATE_RULE, 0),
    word(SQL_SQL92_GRANT, 0),
    word(SQL_SQL92_NUMERIC_VALUE_FUNCTIONS, 0),
    word(SQL_SQL92_PREDICATES, 0),
    word(SQL_SQL92_RELATIONAL_JOIN_OPERATORS, 0),
    word(SQL_SQL92_REVOKE, 0),
    word(SQL_SQL92_ROW_VALUE_CONSTRUCTOR, 0),
    word(SQL_SQL92_STRING_FUNCTIONS, 0),
    word(SQL_SQL92_VALUE_EXPRESSIONS, 0),
    // Data definition and changes: none.
    word(SQL_ALTER_DOMAIN, 0),
    word(SQL_ALTER_TABLE, 0),
    word(SQL_CREATE_ASSERTION, 0),
    word(SQL_CREATE_CHARACTER_SET, 0),
    word(SQL_CREATE_COLLATION, 0),
    word(SQL_CREATE_DOMAIN, 0),
    word(SQL_CREATE_SCHEMA, 0),
    word(SQL_CREATE_TABLE, 0),
    word(SQL_CREATE_TRANSLATION, 0),
    word(SQL_CREATE_VIEW, 0),
    word(SQL_DROP_ASSERTION, 0),
    word(SQL_DROP_CHARACTER_SET, 0),
    word(SQL_DROP_COLLATION, 0),
    word(SQL_DROP_DOMAIN, 0),
    word(SQL_DROP_SCHEMA, 0),
    word(SQL_DROP_TABLE, 0),
    word(SQL_DROP_TRANSLATION, 0),
    word(SQL_DROP_VIEW, 0),
    word(SQL_DDL_INDEX, 0),
    word(SQL_INDEX_KEYWORDS, SQL_IK_NONE),
    word(SQL_INSERT_STATEMENT, 0),
    word(SQL_INFO_SCHEMA_VIEWS, 0),
    // No CONVERT in SQL.
    word(SQL_CONVERT_BIGINT, 0),
    word(SQL_CONVERT_BINARY, 0),
    word(SQL_CONVERT_BIT, 0),
    word(SQL_CONVERT_CHAR, 0),
    word(SQL_CONVERT_DATE, 0),
    word(SQL_CONVERT_DECIMAL, 0),
    word(SQL_CONVERT_DOUBLE, 0),
    word(SQL_CONVERT_FLOAT, 0),
    word(SQL_CONVERT_INTEGER, 0),
    word(SQL_CONVERT_INTERVAL_DAY_TIME, 0),
    word(SQL_CONVERT_INTERVAL_YEAR_MONTH, 0),
    word(SQL_CONVERT_LONGVARBINARY, 0),
    word(SQL_CONVERT_LONGVARCHAR, 0),
    word(SQL_CONVERT_NUMERIC, 0),
    word(SQL_CONVERT_REAL, 0),
    word(SQL_CONVERT_SMALLINT, 0),
    word(SQL_CONVERT_TIME, 0),
    word(SQL_CONVERT_TIMESTAMP, 0),
    word(SQL_CONVERT_TINYINT, 0),
    word(SQL_CONVERT_VARBINARY, 0),
    word(SQL_CONVERT_VARCHAR, 0),
    word(SQL_CONVERT_WCHAR, 0),
    word(SQL_CONVERT_WLONGVARCHAR, 0),
    word(SQL_CONVERT_WVARCHAR, 0),
};

std::string baseName(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    auto dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

Delivery writeText(const std::string& s, void* value, SQLSMALLINT capacity, SQLSMALLINT* length) {
    if (length) *length = static_cast<SQLSMALLINT>(s.size());
    return copyString(s, value, capacity);
}

}  // namespace

Delivery answerInfo(SQLUSMALLINT type, const ConnectionFacts& facts, void* value, SQLSMALLINT capacity,
                    SQLSMALLINT* length) {
    for (const Answer& a : kAnswers) {
        if (a.type != type) continue;
        switch (a.width) {
        case Width::Text:
            if (a.text) return writeText(a.text, value, capacity, length);
            return writeText(type == SQL_DATA_SOURCE_NAME ? facts.dataSource : baseName(facts.file), value, capacity,
                             length);
        case Width::Small: {
            auto n = static_cast<SQLUSMALLINT>(a.number);
            if (value) std::memcpy(value, &n, sizeof n);
            if (length) *length = sizeof n;
            return {};
        }
        case Width::Word: {
            SQLUINTEGER n = a.number;
            if (value) std::memcpy(value, &n, sizeof n);
            if (length) *length = sizeof n;
            return {};
        }
        }
    }
    return {SQL_ERROR, {"HY096", "Information type out of range"}};
}

int answeredInfoCount() { return static_cast<int>(std::size(kAnswers)); }
SQLUSMALLINT answeredInfoType(int index) { return kAnswers[index].type; }

void supportedFunctions(SQLUSMALLINT function, SQLUSMALLINT* supported) {
    static constexpr SQLUSMALLINT kIds[] = {
#define VORRINDEL_ID(name, id) id,
        VORRINDEL_MDBODBC_EXPORTS(VORRINDEL_ID)
#undef VORRINDEL_ID
    };
    if (function == SQL_API_ODBC3_ALL_FUNCTIONS) {
        std::memset(supported, 0, sizeof(SQLUSMALLINT) * SQL_API_ODBC3_ALL_FUNCTIONS_SIZE);
        for (SQLUSMALLINT id : kIds) supported[id >> 4] |= static_cast<SQLUSMALLINT>(1 << (id & 0xF));
    } else if (function == SQL_API_ALL_FUNCTIONS) {
        std::memset(supported, 0, sizeof(SQLUSMALLINT) * 100);
        for (SQLUSMALLINT id : kIds)
            if (id < 100) supported[id] = SQL_TRUE;
    } else {
        *supported = SQL_FALSE;
        for (SQLUSMALLINT id : kIds)
            if (id == function) *supported = SQL_TRUE;
    }
}

}  // namespace vorrindel::mdbodbc
