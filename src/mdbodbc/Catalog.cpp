// Entry points for the catalog. mdbtools ignores every argument of SQLTables, matches SQLColumns'
// table name exactly, and answers the other catalog functions with success but no result, so that
// the first fetch crashes; here its catalog is read into memory and filtered, and the functions it
// lacks answer an empty result of the standard columns.

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <sstream>

#include "Mdbtools.h"
#include "Results.h"
#include "Text.h"

using namespace vorrindel::mdbodbc;

namespace {

std::optional<std::string> argument(const SQLCHAR* s, SQLSMALLINT length) {
    return s ? std::optional(textOf(s, length)) : std::nullopt;
}

// Columns of SQLTables' result.
constexpr std::size_t kTableName = 2, kTableType = 3;

// No catalogs and no schemas exist: only an absent, empty or all-matching one lets rows through.
bool anyNamespace(const std::optional<std::string>& s) { return !s || s->empty() || *s == "%"; }
std::string patternOf(const std::optional<std::string>& s) { return !s || s->empty() ? "%" : *s; }

std::string textAt(const std::vector<Value>& row, std::size_t i) {
    return i < row.size() && row[i].kind == Value::Kind::Text ? row[i].bytes : std::string();
}

// Runs one of mdbtools' catalog functions and reads its whole result. Each runs on a statement of
// its own: mdbtools adds a catalog's columns to those a statement had before, so that a second
// catalog call on the same statement loses its columns.
template <class F>
LocalResult mdbtoolsCatalog(SQLHSTMT h, Statement& s, F&& call) {
    closeResult(s);
    const Mdbtools& m = mdbtools();
    SQLHSTMT scratch = nullptr;
    if (!SQL_SUCCEEDED(m.SQLAllocHandle(SQL_HANDLE_STMT, s.dbc, &scratch))) {
        fromMdbtools(h, SQL_ERROR, "HY000", "Cannot read the Access catalog");
        throw Posted{};
    }
    struct Free {
        SQLHSTMT scratch;
        ~Free() {
            mdbtools().SQLFreeHandle(SQL_HANDLE_STMT, scratch);
            registry().diags.clear(scratch);
        }
    } release{scratch};
    SQLRETURN rc = call(m, scratch);
    if (!SQL_SUCCEEDED(rc)) {
        fromMdbtools(h, SQL_ERROR, "HY000", "Cannot read the Access catalog");
        throw Posted{};
    }
    Statement reading;
    reading.open = true;
    try {
        return snapshot(scratch, reading);
    } catch (const Posted&) {
        for (auto& d : registry().diags.recordsOf(scratch)) post(h, SQL_ERROR, std::move(d));
        throw;
    }
}

}  // namespace

LocalResult vorrindel::mdbodbc::readTables(SQLHANDLE reportTo, SQLHDBC dbc) {
    Statement s;
    s.dbc = dbc;
    return mdbtoolsCatalog(reportTo, s, [](const Mdbtools& m, SQLHSTMT scratch) {
        return m.SQLTables(scratch, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    });
}

namespace {

LocalResult tablesOf(SQLHSTMT h, Statement& s) {
    closeResult(s);
    return readTables(h, s.dbc);
}

SQLRETURN answer(Statement& s, LocalResult r) {
    closeResult(s);
    s.local = std::move(r);
    s.open = true;
    return SQL_SUCCESS;
}

// An empty result with the columns a catalog function has: "NAME" text, "NAME:s" smallint,
// "NAME:i" integer.
SQLRETURN emptyResult(SQLHSTMT h, const char* columns) {
    return entry(h, [&]() -> SQLRETURN {
        LocalResult r;
        std::istringstream in(columns);
        for (std::string c; in >> c;) {
            auto colon = c.find(':');
            SQLSMALLINT type = colon == std::string::npos ? SQL_VARCHAR
                               : c[colon + 1] == 's'      ? SQL_SMALLINT
                                                          : SQL_INTEGER;
            r.columns.push_back({c.substr(0, colon), type, type == SQL_VARCHAR ? 128u : 10u, SQL_NULLABLE});
        }
        return answer(statementOf(h), std::move(r));
    });
}

bool typeListed(const std::string& type, const std::optional<std::string>& list) {
    if (!list || list->empty() || *list == "%") return true;
    std::string wanted;
    for (char c : *list + ",") {
        if (c == ',') {
            if (!wanted.empty() && matchesPattern(type, wanted, 0)) return true;
            wanted.clear();
        } else if (c != '\'' && !(c == ' ' && wanted.empty())) {
            wanted.push_back(c);
        }
    }
    return false;
}

}  // namespace

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLTables(SQLHSTMT h, SQLCHAR* catalog, SQLSMALLINT catalogLength,
                                                  SQLCHAR* schema, SQLSMALLINT schemaLength, SQLCHAR* table,
                                                  SQLSMALLINT tableLength, SQLCHAR* type, SQLSMALLINT typeLength) {
    return entry(h, [&]() -> SQLRETURN {
        Statement& s = statementOf(h);
        auto cat = argument(catalog, catalogLength), sch = argument(schema, schemaLength);
        auto name = argument(table, tableLength), types = argument(type, typeLength);
        LocalResult r = tablesOf(h, s);
        auto blank = [](const std::optional<std::string>& a) { return a && a->empty(); };
        if (types && *types == "%" && blank(cat) && blank(sch) && blank(name)) {
            // The list of table types.
            r.rows.clear();
            for (const char* t : {"SYSTEM TABLE", "TABLE", "VIEW"}) {
                std::vector<Value> row(r.columns.size());
                row[kTableType] = Value::ofText(t);
                r.rows.push_back(std::move(row));
            }
            return answer(s, std::move(r));
        }
        // The lists of catalogs and of schemas are empty; so is any other catalog or schema.
        bool catalogs = cat && *cat == "%" && blank(sch) && blank(name);
        bool schemas = sch && *sch == "%" && blank(cat) && blank(name);
        if (catalogs || schemas || !anyNamespace(cat) || !anyNamespace(sch)) r.rows.clear();
        std::string pattern = patternOf(name);
        std::erase_if(r.rows, [&](const std::vector<Value>& row) {
            return !matchesPattern(textAt(row, kTableName), pattern) || !typeListed(textAt(row, kTableType), types);
        });
        std::stable_sort(r.rows.begin(), r.rows.end(), [&](const auto& a, const auto& b) {
            return std::pair(textAt(a, kTableType), textAt(a, kTableName)) <
                   std::pair(textAt(b, kTableType), textAt(b, kTableName));
        });
        return answer(s, std::move(r));
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLColumns(SQLHSTMT h, SQLCHAR* catalog, SQLSMALLINT catalogLength,
                                                   SQLCHAR* schema, SQLSMALLINT schemaLength, SQLCHAR* table,
                                                   SQLSMALLINT tableLength, SQLCHAR* column, SQLSMALLINT columnLength) {
    return entry(h, [&]() -> SQLRETURN {
        Statement& s = statementOf(h);
        auto cat = argument(catalog, catalogLength), sch = argument(schema, schemaLength);
        std::string tablePattern = patternOf(argument(table, tableLength));
        std::string columnPattern = patternOf(argument(column, columnLength));
        std::vector<std::string> names;
        if (anyNamespace(cat) && anyNamespace(sch)) {
            for (const auto& row : tablesOf(h, s).rows)
                if (matchesPattern(textAt(row, kTableName), tablePattern)) names.push_back(textAt(row, kTableName));
        }
        // The columns of mdbtools' answer, from a table name that matches nothing.
        SQLCHAR none[] = "";
        LocalResult r = mdbtoolsCatalog(h, s, [&](const Mdbtools& m, SQLHSTMT scratch) {
            return m.SQLColumns(scratch, nullptr, 0, nullptr, 0, none, 0, nullptr, 0);
        });
        for (std::string& name : names) {
            LocalResult one = mdbtoolsCatalog(h, s, [&](const Mdbtools& m, SQLHSTMT scratch) {
                return m.SQLColumns(scratch, nullptr, 0, nullptr, 0, reinterpret_cast<SQLCHAR*>(name.data()), SQL_NTS,
                                    nullptr, 0);
            });
            for (auto& row : one.rows)
                if (matchesPattern(textAt(row, 3), columnPattern)) r.rows.push_back(std::move(row));
        }
        return answer(s, std::move(r));
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLGetTypeInfo(SQLHSTMT h, SQLSMALLINT type) {
    return entry(h, [&]() -> SQLRETURN {
        Statement& s = statementOf(h);
        return answer(s, mdbtoolsCatalog(h, s, [&](const Mdbtools& m, SQLHSTMT scratch) {
                          return m.SQLGetTypeInfo(scratch, type);
                      }));
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLPrimaryKeys(SQLHSTMT h, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                                       SQLCHAR*, SQLSMALLINT) {
    return emptyResult(h, "TABLE_CAT TABLE_SCHEM TABLE_NAME COLUMN_NAME KEY_SEQ:s PK_NAME");
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLForeignKeys(SQLHSTMT h, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                                       SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                                       SQLSMALLINT, SQLCHAR*, SQLSMALLINT) {
    return emptyResult(h,
                       "PKTABLE_CAT PKTABLE_SCHEM PKTABLE_NAME PKCOLUMN_NAME FKTABLE_CAT FKTABLE_SCHEM "
                       "FKTABLE_NAME FKCOLUMN_NAME KEY_SEQ:s UPDATE_RULE:s DELETE_RULE:s FK_NAME PK_NAME "
                       "DEFERRABILITY:s");
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLStatistics(SQLHSTMT h, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                                      SQLCHAR*, SQLSMALLINT, SQLUSMALLINT, SQLUSMALLINT) {
    return emptyResult(h,
                       "TABLE_CAT TABLE_SCHEM TABLE_NAME NON_UNIQUE:s INDEX_QUALIFIER INDEX_NAME TYPE:s "
                       "ORDINAL_POSITION:s COLUMN_NAME ASC_OR_DESC CARDINALITY:i PAGES:i FILTER_CONDITION");
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLSpecialColumns(SQLHSTMT h, SQLUSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                                          SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLUSMALLINT,
                                                          SQLUSMALLINT) {
    return emptyResult(h,
                       "SCOPE:s COLUMN_NAME DATA_TYPE:s TYPE_NAME COLUMN_SIZE:i BUFFER_LENGTH:i DECIMAL_DIGITS:s "
                       "PSEUDO_COLUMN:s");
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLProcedures(SQLHSTMT h, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                                      SQLCHAR*, SQLSMALLINT) {
    return emptyResult(h,
                       "PROCEDURE_CAT PROCEDURE_SCHEM PROCEDURE_NAME NUM_INPUT_PARAMS:i NUM_OUTPUT_PARAMS:i "
                       "NUM_RESULT_SETS:i REMARKS PROCEDURE_TYPE:s");
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLProcedureColumns(SQLHSTMT h, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                                            SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT) {
    return emptyResult(h,
                       "PROCEDURE_CAT PROCEDURE_SCHEM PROCEDURE_NAME COLUMN_NAME COLUMN_TYPE:s DATA_TYPE:s "
                       "TYPE_NAME COLUMN_SIZE:i BUFFER_LENGTH:i DECIMAL_DIGITS:s NUM_PREC_RADIX:s NULLABLE:s "
                       "REMARKS COLUMN_DEF SQL_DATA_TYPE:s SQL_DATETIME_SUB:s CHAR_OCTET_LENGTH:i "
                       "ORDINAL_POSITION:i IS_NULLABLE");
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLTablePrivileges(SQLHSTMT h, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                                           SQLCHAR*, SQLSMALLINT) {
    return emptyResult(h, "TABLE_CAT TABLE_SCHEM TABLE_NAME GRANTOR GRANTEE PRIVILEGE IS_GRANTABLE");
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLColumnPrivileges(SQLHSTMT h, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                                            SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT) {
    return emptyResult(h, "TABLE_CAT TABLE_SCHEM TABLE_NAME COLUMN_NAME GRANTOR GRANTEE PRIVILEGE IS_GRANTABLE");
}
