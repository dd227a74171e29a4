#pragma once
// What the driver keeps beside mdbtools' own handles: per connection its facts, per statement the
// values of the current row, the bound columns and any result it answers itself, and per handle the
// diagnostics of the last call. One lock serialises every call: mdbtools keeps its last error in
// globals and is not safe to call from two threads at once.

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <exception>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "Diagnostics.h"
#include "Info.h"
#include "Values.h"

namespace vorrindel::mdbodbc {

struct ColumnInfo {
    std::string name;
    SQLSMALLINT type = SQL_VARCHAR;
    SQLULEN size = 0;
    SQLSMALLINT nullable = SQL_NULLABLE;
};

// A result set held in memory: catalog results, filtered or empty where mdbtools has none.
struct LocalResult {
    std::vector<ColumnInfo> columns;
    std::vector<std::vector<Value>> rows;
    std::size_t next = 0;  // the row the next fetch makes current
};

struct Binding {
    SQLSMALLINT cType = SQL_C_CHAR;
    void* target = nullptr;
    SQLLEN capacity = 0;
    SQLLEN* indicator = nullptr;
};

struct CachedValue {
    Value value;
    SQLSMALLINT sqlType = SQL_VARCHAR;
    ReadPosition pos;
};

struct Statement {
    SQLHDBC dbc = nullptr;
    bool prepared = false;  // SQLPrepare succeeded: SQLExecute may run
    bool open = false;      // a result set is there to fetch from
    bool onRow = false;     // and a row of it is current
    std::optional<LocalResult> local;
    std::map<SQLUSMALLINT, CachedValue> row;
    std::map<SQLUSMALLINT, Binding> bindings;
    SQLUSMALLINT* rowStatus = nullptr;
    SQLULEN* rowsFetched = nullptr;
    std::map<SQLINTEGER, SQLULEN> attributes;  // the others, kept as set
    std::string cursorName;
};

struct Connection {
    ConnectionFacts facts;
    bool connected = false;
    int descriptor = -1;  // the file, held open while mdbtools reads it through /proc/self/fd
    std::map<SQLINTEGER, SQLULEN> attributes;
};

struct Registry {
    std::recursive_mutex mutex;
    std::unordered_map<SQLHANDLE, Connection> connections;
    std::unordered_map<SQLHANDLE, Statement> statements;
    Diagnostics diags;
};

// Thrown once a diagnostic has been posted: the entry point returns SQL_ERROR.
struct Posted {};

Registry& registry();
Statement& statementOf(SQLHSTMT h);   // throws when unknown
Connection& connectionOf(SQLHDBC h);  // registered on first use

SQLRETURN post(SQLHANDLE h, SQLRETURN rc, Diag d);
// Records a fixed diagnostic, with no memory needed, and fails the call.
inline SQLRETURN lastResort(SQLHANDLE h, const FixedDiag& d) noexcept {
    registry().diags.addFixed(h, d);
    return SQL_ERROR;
}
inline SQLRETURN fail(SQLHANDLE h, const char* state, std::string message) {
    return post(h, SQL_ERROR, {state, std::move(message)});
}
inline SQLRETURN report(SQLHANDLE h, const Delivery& d) { return d.diag.state.empty() ? d.rc : post(h, d.rc, d.diag); }

// Runs the body of one entry point: under the lock, with the handle's diagnostics cleared first
// and any exception turned into a diagnostic. No exception leaves it, whatever the body throws:
// every exported function is a call of this and nothing more, and a throw through the C caller
// (the driver manager, the office) would end its process.
template <class F>
SQLRETURN entry(SQLHANDLE h, F&& body) noexcept {
    try {
        std::lock_guard lock(registry().mutex);
        registry().diags.clear(h);
        try {
            return body();
        } catch (const Posted&) {
            return SQL_ERROR;
        } catch (const std::bad_alloc&) {
            return lastResort(h, kOutOfMemory);
        } catch (const std::exception& e) {
            // Its text is worth a record, if there is memory left for one.
            try {
                return fail(h, "HY000", e.what());
            } catch (const std::bad_alloc&) {
                return lastResort(h, kOutOfMemory);
            } catch (...) {
                return lastResort(h, kUnexpectedFailure);
            }
        } catch (...) {
            return lastResort(h, kUnexpectedFailure);
        }
    } catch (...) {
        // The lock could not be taken: nothing can be recorded safely.
        return SQL_ERROR;
    }
}

// Runs a reader of diagnostics under the lock; it leaves the records as they are.
template <class F>
SQLRETURN reading(F&& body) noexcept {
    try {
        std::lock_guard lock(registry().mutex);
        return body(registry().diags);
    } catch (...) {
        return SQL_ERROR;
    }
}

// Frees a handle of mdbtools' and what the driver keeps for it.
SQLRETURN freeHandle(SQLSMALLINT type, SQLHANDLE h);

// A caller's string argument of `length` bytes, or up to its terminator for SQL_NTS.
std::string textOf(const SQLCHAR* s, SQLINTEGER length);

// Copies a string answer into a caller's buffer of `capacity` bytes, with 01004 when cut.
SQLRETURN writeString(SQLHANDLE h, const std::string& s, void* target, SQLLEN capacity, SQLLEN* length);

}  // namespace vorrindel::mdbodbc

#define VORRINDEL_ODBC_EXPORT extern "C" __attribute__((visibility("default")))
