// Entry points for statements: running SELECTs, describing and fetching their rows.

#include <cstdint>
#include <cstring>

#include "Mdbtools.h"
#include "Results.h"
#include "Text.h"

using namespace vorrindel::mdbodbc;

namespace {

// mdbtools copies a statement into a 4 KiB buffer without checking its length.
constexpr std::size_t kMaxStatement = 4000;

SQLRETURN checkStatement(SQLHSTMT h, const std::string& sql) {
    if (sql.size() > kMaxStatement)
        return fail(h, "HY000",
                    "The statement is too long for mdbtools (" + std::to_string(kMaxStatement) + " bytes at most)");
    if (!isReadOnlyStatement(sql))
        return fail(h, "HY000", "The Access database is opened read-only: only SELECT statements are run");
    return SQL_SUCCESS;
}

CachedValue& cell(SQLHSTMT h, Statement& s, SQLUSMALLINT column) {
    if (!s.onRow) {
        fail(h, "24000", "Invalid cursor state: no row is current");
        throw Posted{};
    }
    if (auto it = s.row.find(column); it != s.row.end()) return it->second;
    auto info = describe(h, s, column);
    if (!info) {
        fail(h, "07009", "Invalid descriptor index " + std::to_string(column));
        throw Posted{};
    }
    CachedValue c;
    c.sqlType = info->type;
    c.value = s.local ? s.local->rows[s.local->next - 1][column - 1] : readMdbtools(h, column, info->type);
    return s.row.emplace(column, std::move(c)).first->second;
}

// Moves to the next row and fills the bound columns from it.
SQLRETURN fetchNext(SQLHSTMT h, SQLULEN* fetched, SQLUSMALLINT* status) {
    Statement& s = statementOf(h);
    if (!s.open) return fail(h, "24000", "Invalid cursor state: no result to fetch from");
    s.row.clear();
    s.onRow = false;
    SQLRETURN rc;
    if (s.local) {
        rc = s.local->next < s.local->rows.size() ? (++s.local->next, SQL_SUCCESS) : SQL_NO_DATA;
    } else {
        rc = mdbtools().SQLFetch(h);
        if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(rc))
            return fromMdbtools(h, SQL_ERROR, "HY000", "Cannot read the next row");
    }
    if (fetched) *fetched = rc == SQL_NO_DATA ? 0 : 1;
    if (rc == SQL_NO_DATA) {
        if (status) *status = SQL_ROW_NOROW;
        return SQL_NO_DATA;
    }
    s.onRow = true;
    rc = SQL_SUCCESS;
    for (const auto& [column, b] : s.bindings) {
        CachedValue& c = cell(h, s, column);
        ReadPosition fresh;
        SQLRETURN one =
            report(h, deliver(c.value, b.cType, defaultCType(c.sqlType), b.target, b.capacity, b.indicator, fresh));
        if (one == SQL_ERROR || rc == SQL_ERROR)
            rc = SQL_ERROR;
        else if (one == SQL_SUCCESS_WITH_INFO)
            rc = SQL_SUCCESS_WITH_INFO;
    }
    if (status)
        *status = rc == SQL_SUCCESS ? SQL_ROW_SUCCESS : rc == SQL_ERROR ? SQL_ROW_ERROR : SQL_ROW_SUCCESS_WITH_INFO;
    return rc;
}

SQLRETURN changed(SQLHSTMT h) { return post(h, SQL_SUCCESS_WITH_INFO, {"01S02", "Option value changed"}); }

// Statement attributes: the cursor is forward-only and read-only, one row at a time.
SQLRETURN setStmtAttr(SQLHSTMT h, SQLINTEGER attr, SQLPOINTER value) {
    return entry(h, [&]() -> SQLRETURN {
        Statement& s = statementOf(h);
        auto n = static_cast<SQLULEN>(reinterpret_cast<std::uintptr_t>(value));
        switch (attr) {
        case SQL_ATTR_ROW_STATUS_PTR: s.rowStatus = static_cast<SQLUSMALLINT*>(value); return SQL_SUCCESS;
        case SQL_ATTR_ROWS_FETCHED_PTR: s.rowsFetched = static_cast<SQLULEN*>(value); return SQL_SUCCESS;
        case SQL_ATTR_CURSOR_TYPE: return n == SQL_CURSOR_FORWARD_ONLY ? SQL_SUCCESS : changed(h);
        case SQL_ATTR_CONCURRENCY: return n == SQL_CONCUR_READ_ONLY ? SQL_SUCCESS : changed(h);
        case SQL_ATTR_CURSOR_SCROLLABLE: return n == SQL_NONSCROLLABLE ? SQL_SUCCESS : changed(h);
        case SQL_ATTR_ROW_ARRAY_SIZE:
        case SQL_ROWSET_SIZE: return n == 1 ? SQL_SUCCESS : changed(h);
        case SQL_ATTR_USE_BOOKMARKS: return n == SQL_UB_OFF ? SQL_SUCCESS : changed(h);
        case SQL_ATTR_ASYNC_ENABLE: return n == SQL_ASYNC_ENABLE_OFF ? SQL_SUCCESS : changed(h);
        case SQL_ATTR_ROW_BIND_TYPE: return n == SQL_BIND_BY_COLUMN ? SQL_SUCCESS : changed(h);
        case SQL_ATTR_APP_ROW_DESC:
        case SQL_ATTR_APP_PARAM_DESC:
        case SQL_ATTR_IMP_ROW_DESC:
        case SQL_ATTR_IMP_PARAM_DESC: return fail(h, "HYC00", "Descriptors are not supported");
        default: s.attributes[attr] = n; return SQL_SUCCESS;
        }
    });
}

SQLRETURN getStmtAttr(SQLHSTMT h, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER* length) {
    return entry(h, [&]() -> SQLRETURN {
        Statement& s = statementOf(h);
        SQLULEN n = 0;
        switch (attr) {
        case SQL_ATTR_ROW_STATUS_PTR: n = reinterpret_cast<std::uintptr_t>(s.rowStatus); break;
        case SQL_ATTR_ROWS_FETCHED_PTR: n = reinterpret_cast<std::uintptr_t>(s.rowsFetched); break;
        case SQL_ATTR_CURSOR_TYPE: n = SQL_CURSOR_FORWARD_ONLY; break;
        case SQL_ATTR_CONCURRENCY: n = SQL_CONCUR_READ_ONLY; break;
        case SQL_ATTR_CURSOR_SCROLLABLE: n = SQL_NONSCROLLABLE; break;
        case SQL_ATTR_CURSOR_SENSITIVITY: n = SQL_INSENSITIVE; break;
        case SQL_ATTR_ROW_ARRAY_SIZE:
        case SQL_ROWSET_SIZE: n = 1; break;
        case SQL_ATTR_USE_BOOKMARKS: n = SQL_UB_OFF; break;
        case SQL_ATTR_ASYNC_ENABLE: n = SQL_ASYNC_ENABLE_OFF; break;
        case SQL_ATTR_ROW_BIND_TYPE: n = SQL_BIND_BY_COLUMN; break;
        case SQL_ATTR_RETRIEVE_DATA: n = s.attributes.count(attr) ? s.attributes[attr] : SQL_RD_ON; break;
        case SQL_ATTR_APP_ROW_DESC:
        case SQL_ATTR_APP_PARAM_DESC:
        case SQL_ATTR_IMP_ROW_DESC:
        case SQL_ATTR_IMP_PARAM_DESC: return fail(h, "HYC00", "Descriptors are not supported");
        default: n = s.attributes.count(attr) ? s.attributes[attr] : 0;
        }
        if (value) std::memcpy(value, &n, sizeof n);
        if (length) *length = sizeof n;
        return SQL_SUCCESS;
    });
}

SQLRETURN freeStmt(SQLHSTMT h, SQLUSMALLINT option) {
    if (option == SQL_DROP) return freeHandle(SQL_HANDLE_STMT, h);
    return entry(h, [&]() -> SQLRETURN {
        Statement& s = statementOf(h);
        if (option == SQL_UNBIND) s.bindings.clear();
        if (option != SQL_CLOSE) return SQL_SUCCESS;
        closeResult(s);
        return fromMdbtools(h, mdbtools().SQLFreeStmt(h, SQL_CLOSE), "HY000", "Cannot close the cursor");
    });
}

SQLRETURN colAttribute(SQLHSTMT h, SQLUSMALLINT column, SQLUSMALLINT field, SQLPOINTER text, SQLSMALLINT capacity,
                       SQLSMALLINT* length, SQLLEN* number) {
    return entry(h, [&]() -> SQLRETURN {
        Statement& s = statementOf(h);
        auto numeric = [&](SQLLEN n) -> SQLRETURN {
            if (number) *number = n;
            return SQL_SUCCESS;
        };
        auto string = [&](const std::string& v) -> SQLRETURN {
            SQLLEN n = 0;
            SQLRETURN rc = writeString(h, v, text, capacity, &n);
            if (length) *length = static_cast<SQLSMALLINT>(n);
            return rc;
        };
        if (field == SQL_DESC_COUNT || field == SQL_COLUMN_COUNT) return numeric(columnCount(h, s));
        auto info = describe(h, s, column);
        if (!info) return fail(h, "07009", "Invalid descriptor index " + std::to_string(column));
        TypeFacts facts = factsOf(info->type);
        bool character = facts.precision == 0;
        bool datetime = info->type == SQL_TYPE_DATE || info->type == SQL_TYPE_TIMESTAMP || info->type == SQL_DATE ||
                        info->type == SQL_TIMESTAMP;
        switch (field) {
        case SQL_COLUMN_NAME:
        case SQL_DESC_NAME:
        case SQL_DESC_LABEL:
        case SQL_DESC_BASE_COLUMN_NAME: return string(info->name);
        case SQL_DESC_TYPE_NAME:
        case SQL_DESC_LOCAL_TYPE_NAME: return string(facts.name);
        case SQL_DESC_TABLE_NAME:
        case SQL_DESC_BASE_TABLE_NAME:
        case SQL_DESC_SCHEMA_NAME:
        case SQL_DESC_CATALOG_NAME: return string("");
        case SQL_DESC_LITERAL_PREFIX:
        case SQL_DESC_LITERAL_SUFFIX: return string(character ? "'" : "");
        case SQL_DESC_CONCISE_TYPE: return numeric(info->type);
        case SQL_DESC_TYPE: return numeric(datetime ? SQL_DATETIME : info->type);
        case SQL_DESC_DATETIME_INTERVAL_CODE:
            return numeric(!datetime ? 0 : facts.octets == 6 ? SQL_CODE_DATE : SQL_CODE_TIMESTAMP);
        case SQL_COLUMN_LENGTH:
        case SQL_DESC_LENGTH:
        case SQL_DESC_OCTET_LENGTH: return numeric(character ? info->size : facts.octets);
        case SQL_COLUMN_PRECISION:
        case SQL_DESC_PRECISION: return numeric(character ? info->size : facts.precision);
        case SQL_COLUMN_SCALE:
        case SQL_DESC_SCALE: return numeric(0);
        case SQL_DESC_DISPLAY_SIZE: return numeric(character ? info->size : facts.displaySize);
        case SQL_COLUMN_NULLABLE:
        case SQL_DESC_NULLABLE: return numeric(info->nullable);
        case SQL_DESC_UNSIGNED: return numeric(facts.isUnsigned ? SQL_TRUE : SQL_FALSE);
        case SQL_DESC_NUM_PREC_RADIX: return numeric(facts.radix);
        case SQL_DESC_FIXED_PREC_SCALE:
        case SQL_DESC_AUTO_UNIQUE_VALUE:
        case SQL_DESC_CASE_SENSITIVE: return numeric(SQL_FALSE);
        case SQL_DESC_UPDATABLE: return numeric(SQL_ATTR_READONLY);
        case SQL_DESC_SEARCHABLE: return numeric(SQL_PRED_NONE);
        case SQL_DESC_UNNAMED: return numeric(SQL_NAMED);
        default: return fail(h, "HY091", "Invalid descriptor field identifier");
        }
    });
}

// Runs the statement given (SQLExecDirect), or without one the statement prepared (SQLExecute).
SQLRETURN execute(SQLHSTMT h, bool direct, const SQLCHAR* text = nullptr, SQLINTEGER length = 0) {
    return entry(h, [&]() -> SQLRETURN {
        Statement& s = statementOf(h);
        closeResult(s);
        SQLRETURN rc;
        if (direct) {
            s.prepared = false;
            std::string sql = textOf(text, length);
            if (SQLRETURN c = checkStatement(h, sql); c != SQL_SUCCESS) return c;
            rc = mdbtools().SQLExecDirect(h, reinterpret_cast<SQLCHAR*>(sql.data()), SQL_NTS);
        } else {
            if (!s.prepared) return fail(h, "HY010", "Function sequence error: no statement prepared");
            rc = mdbtools().SQLExecute(h);
        }
        s.open = SQL_SUCCEEDED(rc);
        return fromMdbtools(h, rc, "42000", "mdbtools could not run the statement");
    });
}

}  // namespace

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT h, SQLUSMALLINT option) { return freeStmt(h, option); }
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT h) { return freeStmt(h, SQL_CLOSE); }

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLPrepare(SQLHSTMT h, SQLCHAR* text, SQLINTEGER length) {
    return entry(h, [&]() -> SQLRETURN {
        Statement& s = statementOf(h);
        closeResult(s);
        s.prepared = false;
        std::string sql = textOf(text, length);
        if (SQLRETURN c = checkStatement(h, sql); c != SQL_SUCCESS) return c;
        SQLRETURN rc = mdbtools().SQLPrepare(h, reinterpret_cast<SQLCHAR*>(sql.data()), SQL_NTS);
        s.prepared = SQL_SUCCEEDED(rc);
        return fromMdbtools(h, rc, "42000", "mdbtools could not prepare the statement");
    });
}
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLExecute(SQLHSTMT h) { return execute(h, false); }
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLExecDirect(SQLHSTMT h, SQLCHAR* text, SQLINTEGER length) {
    return execute(h, true, text, length);
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLNumParams(SQLHSTMT h, SQLSMALLINT* count) {
    return entry(h, [&]() -> SQLRETURN {
        if (count) *count = 0;
        return SQL_SUCCESS;
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT h, SQLSMALLINT* count) {
    return entry(h, [&]() -> SQLRETURN {
        if (count) *count = columnCount(h, statementOf(h));
        return SQL_SUCCESS;
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT h, SQLUSMALLINT column, SQLCHAR* name,
                                                       SQLSMALLINT capacity, SQLSMALLINT* nameLength, SQLSMALLINT* type,
                                                       SQLULEN* size, SQLSMALLINT* scale, SQLSMALLINT* nullable) {
    return entry(h, [&]() -> SQLRETURN {
        auto info = describe(h, statementOf(h), column);
        if (!info) return fail(h, "07009", "Invalid descriptor index " + std::to_string(column));
        if (type) *type = info->type;
        if (size) *size = info->size;
        if (scale) *scale = 0;
        if (nullable) *nullable = info->nullable;
        SQLLEN n = 0;
        SQLRETURN rc = writeString(h, info->name, name, capacity, &n);
        if (nameLength) *nameLength = static_cast<SQLSMALLINT>(n);
        return rc;
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLColAttribute(SQLHSTMT h, SQLUSMALLINT column, SQLUSMALLINT field,
                                                        SQLPOINTER text, SQLSMALLINT capacity, SQLSMALLINT* length,
                                                        SQLLEN* number) {
    return colAttribute(h, column, field, text, capacity, length, number);
}
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLColAttributes(SQLHSTMT h, SQLUSMALLINT column, SQLUSMALLINT field,
                                                         SQLPOINTER text, SQLSMALLINT capacity, SQLSMALLINT* length,
                                                         SQLLEN* number) {
    return colAttribute(h, column, field, text, capacity, length, number);
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLBindCol(SQLHSTMT h, SQLUSMALLINT column, SQLSMALLINT cType,
                                                   SQLPOINTER target, SQLLEN capacity, SQLLEN* indicator) {
    return entry(h, [&]() -> SQLRETURN {
        Statement& s = statementOf(h);
        if (column < 1) return fail(h, "07009", "Bookmarks are not supported");
        if (!target) {
            s.bindings.erase(column);
        } else {
            // mdbtools would write every bound value as text of up to 16 KiB; the driver fills the
            // caller's buffers itself after each fetch.
            s.bindings[column] = Binding{cType, target, capacity, indicator};
        }
        return SQL_SUCCESS;
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLFetch(SQLHSTMT h) {
    return entry(h, [&]() -> SQLRETURN {
        Statement& s = statementOf(h);
        return fetchNext(h, s.rowsFetched, s.rowStatus);
    });
}
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT h, SQLSMALLINT orientation, SQLLEN) {
    return entry(h, [&]() -> SQLRETURN {
        if (orientation != SQL_FETCH_NEXT)
            return fail(h, "HY106", "Fetch type out of range: the cursor only moves forward");
        Statement& s = statementOf(h);
        return fetchNext(h, s.rowsFetched, s.rowStatus);
    });
}
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLExtendedFetch(SQLHSTMT h, SQLUSMALLINT orientation, SQLLEN, SQLULEN* fetched,
                                                         SQLUSMALLINT* status) {
    return entry(h, [&]() -> SQLRETURN {
        if (orientation != SQL_FETCH_NEXT)
            return fail(h, "HY106", "Fetch type out of range: the cursor only moves forward");
        return fetchNext(h, fetched, status);
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLGetData(SQLHSTMT h, SQLUSMALLINT column, SQLSMALLINT cType,
                                                   SQLPOINTER target, SQLLEN capacity, SQLLEN* indicator) {
    return entry(h, [&]() -> SQLRETURN {
        Statement& s = statementOf(h);
        if (cType == SQL_ARD_TYPE) {
            auto b = s.bindings.find(column);
            if (b == s.bindings.end()) return fail(h, "07009", "SQL_ARD_TYPE for a column that is not bound");
            cType = b->second.cType;
        }
        CachedValue& c = cell(h, s, column);
        return report(h, deliver(c.value, cType, defaultCType(c.sqlType), target, capacity, indicator, c.pos));
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLRowCount(SQLHSTMT h, SQLLEN* count) {
    return entry(h, [&]() -> SQLRETURN {
        // A SELECT changes no rows.
        if (count) *count = -1;
        return SQL_SUCCESS;
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLMoreResults(SQLHSTMT) { return SQL_NO_DATA; }
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLCancel(SQLHSTMT) { return SQL_SUCCESS; }

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLGetCursorName(SQLHSTMT h, SQLCHAR* name, SQLSMALLINT capacity,
                                                         SQLSMALLINT* length) {
    return entry(h, [&]() -> SQLRETURN {
        Statement& s = statementOf(h);
        if (s.cursorName.empty())
            s.cursorName = "SQL_CUR" + std::to_string(reinterpret_cast<std::uintptr_t>(h) % 100000);
        SQLLEN n = 0;
        SQLRETURN rc = writeString(h, s.cursorName, name, capacity, &n);
        if (length) *length = static_cast<SQLSMALLINT>(n);
        return rc;
    });
}
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLSetCursorName(SQLHSTMT h, SQLCHAR* name, SQLSMALLINT length) {
    return entry(h, [&]() -> SQLRETURN {
        statementOf(h).cursorName = textOf(name, length);
        return SQL_SUCCESS;
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT h, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
    return setStmtAttr(h, attr, value);
}
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT h, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER,
                                                       SQLINTEGER* length) {
    return getStmtAttr(h, attr, value, length);
}
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLSetStmtOption(SQLHSTMT h, SQLUSMALLINT option, SQLULEN value) {
    return setStmtAttr(h, option, reinterpret_cast<SQLPOINTER>(value));
}
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLGetStmtOption(SQLHSTMT h, SQLUSMALLINT option, SQLPOINTER value) {
    return getStmtAttr(h, option, value, nullptr);
}
