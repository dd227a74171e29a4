// Entry points for handles, connections and diagnostics.

#include <fcntl.h>
#include <odbcinst.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "AccessFile.h"
#include "Mdbtools.h"
#include "Results.h"
#include "Text.h"
#include "common/SystemError.h"

using namespace vorrindel::mdbodbc;

namespace {

std::string fromIni(const std::string& dsn, const char* key) {
    char buf[4096] = {};
    SQLGetPrivateProfileString(dsn.c_str(), key, "", buf, sizeof buf, "odbc.ini");
    return buf;
}

void closeFile(Connection& c) {
    if (c.descriptor >= 0) close(c.descriptor);
    c.descriptor = -1;
}

// mdbtools copies the DBQ value into a 256-byte buffer and ends it at the first ';': a file whose
// path is long or holds a ';' is handed over as /proc/self/fd/N of a descriptor held open here.
SQLRETURN connectTo(SQLHDBC dbc, const std::string& dsn, const std::string& file) {
    Connection& conn = connectionOf(dbc);
    if (conn.connected) return fail(dbc, "08002", "Connection name in use");
    if (file.empty())
        return fail(dbc, "08001", "No Access database given: the connection string needs DBQ=<path of the .mdb file>");
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(dbc, "08001", "Cannot open " + file + ": " + vorrindel::systemErrorText(errno));
    struct stat st {};
    char header[32] = {};
    ssize_t got = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? pread(fd, header, sizeof header, 0) : -1;
    if (got < 0 || !looksLikeAccessDatabase(std::string_view(header, static_cast<std::size_t>(got)))) {
        close(fd);
        return fail(dbc, "08001", file + " is not an Access database (.mdb) file");
    }
    std::string name = file;
    if (file.size() > 200 || file.find(';') != std::string::npos) {
        name = "/proc/self/fd/" + std::to_string(fd);
        conn.descriptor = fd;
    } else {
        close(fd);
    }
    std::string in = "DBQ=" + name;
    SQLRETURN rc = mdbtools().SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(in.data()), SQL_NTS, nullptr, 0,
                                               nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        closeFile(conn);
        return fromMdbtools(
            dbc, SQL_ERROR, "08001",
            file + " cannot be read as an Access database (damaged, or a version mdbtools does not know)");
    }
    // A damaged file may still open; every database lists its system tables.
    if (readTables(dbc, dbc).rows.empty()) {
        mdbtools().SQLDisconnect(dbc);
        closeFile(conn);
        return fail(dbc, "08001", file + " is damaged: mdbtools finds no tables in it");
    }
    conn.connected = true;
    conn.facts = {dsn, file};
    return SQL_SUCCESS;
}

SQLRETURN allocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
    return entry(input, [&]() -> SQLRETURN {
        if (type == SQL_HANDLE_DESC) return fail(input, "HYC00", "Descriptor handles are not supported");
        SQLRETURN rc = mdbtools().SQLAllocHandle(type, input, output);
        if (SQL_SUCCEEDED(rc) && type == SQL_HANDLE_DBC) registry().connections[*output] = {};
        if (SQL_SUCCEEDED(rc) && type == SQL_HANDLE_STMT) registry().statements[*output].dbc = input;
        return fromMdbtools(input, rc, "HY000", "Cannot allocate a handle");
    });
}

void forgetStatementsOf(SQLHDBC dbc) {
    auto& all = registry().statements;
    for (auto it = all.begin(); it != all.end();) {
        if (it->second.dbc == dbc) {
            registry().diags.clear(it->first);
            it = all.erase(it);
        } else {
            ++it;
        }
    }
}

// Connection attributes are 32-bit numbers, except the catalog name (text).
SQLRETURN getConnectAttr(SQLHDBC dbc, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER capacity, SQLINTEGER* length) {
    return entry(dbc, [&]() -> SQLRETURN {
        Connection& conn = connectionOf(dbc);
        if (attr == SQL_ATTR_CURRENT_CATALOG) {
            SQLLEN n = 0;
            SQLRETURN rc = writeString(dbc, "", value, capacity, &n);
            if (length) *length = static_cast<SQLINTEGER>(n);
            return rc;
        }
        SQLUINTEGER n = 0;
        switch (attr) {
        case SQL_ATTR_ACCESS_MODE: n = SQL_MODE_READ_ONLY; break;
        case SQL_ATTR_AUTOCOMMIT: n = SQL_AUTOCOMMIT_ON; break;
        case SQL_ATTR_CONNECTION_DEAD: n = conn.connected ? SQL_CD_FALSE : SQL_CD_TRUE; break;
        case SQL_ATTR_TXN_ISOLATION: n = 0; break;
        default: n = static_cast<SQLUINTEGER>(conn.attributes[attr]);
        }
        if (value) std::memcpy(value, &n, sizeof n);
        if (length) *length = sizeof n;
        return SQL_SUCCESS;
    });
}

SQLRETURN setConnectAttr(SQLHDBC dbc, SQLINTEGER attr, SQLPOINTER value) {
    return entry(dbc, [&]() -> SQLRETURN {
        auto n = static_cast<SQLULEN>(reinterpret_cast<std::uintptr_t>(value));
        if (attr == SQL_ATTR_ACCESS_MODE && n != SQL_MODE_READ_ONLY)
            return post(dbc, SQL_SUCCESS_WITH_INFO,
                        {"01S02", "Option value changed: the Access database stays read-only"});
        if (attr != SQL_ATTR_CURRENT_CATALOG) connectionOf(dbc).attributes[attr] = n;
        return SQL_SUCCESS;
    });
}

}  // namespace

SQLRETURN vorrindel::mdbodbc::freeHandle(SQLSMALLINT type, SQLHANDLE h) {
    return entry(h, [&]() -> SQLRETURN {
        SQLRETURN rc = mdbtools().SQLFreeHandle(type, h);
        if (!SQL_SUCCEEDED(rc)) return fromMdbtools(h, rc, "HY010", "The handle is still in use");
        if (type == SQL_HANDLE_DBC) {
            closeFile(connectionOf(h));
            forgetStatementsOf(h);
            registry().connections.erase(h);
        }
        if (type == SQL_HANDLE_STMT) registry().statements.erase(h);
        registry().diags.clear(h);
        return rc;
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
    return allocHandle(type, input, output);
}
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLAllocEnv(SQLHENV* env) { return allocHandle(SQL_HANDLE_ENV, nullptr, env); }
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLAllocConnect(SQLHENV env, SQLHDBC* dbc) {
    return allocHandle(SQL_HANDLE_DBC, env, dbc);
}
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLAllocStmt(SQLHDBC dbc, SQLHSTMT* stmt) {
    return allocHandle(SQL_HANDLE_STMT, dbc, stmt);
}
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE h) { return freeHandle(type, h); }
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLFreeEnv(SQLHENV env) { return freeHandle(SQL_HANDLE_ENV, env); }
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLFreeConnect(SQLHDBC dbc) { return freeHandle(SQL_HANDLE_DBC, dbc); }

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV env, SQLINTEGER attr, SQLPOINTER value,
                                                      SQLINTEGER length) {
    return entry(env, [&]() -> SQLRETURN { return mdbtools().SQLSetEnvAttr(env, attr, value, length); });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLDriverConnect(SQLHDBC dbc, SQLHWND, SQLCHAR* in, SQLSMALLINT inLength,
                                                         SQLCHAR* out, SQLSMALLINT outCapacity, SQLSMALLINT* outLength,
                                                         SQLUSMALLINT) {
    return entry(dbc, [&]() -> SQLRETURN {
        // Only the file is passed on, so that one data source serves every file.
        std::string text = textOf(in, inLength);
        auto attrs = parseConnectionString(text);
        std::string dsn = attrs.count("DSN") ? attrs["DSN"] : "";
        std::string file = attrs.count("DBQ") ? attrs["DBQ"] : attrs.count("DATABASE") ? attrs["DATABASE"] : "";
        if (file.empty() && !dsn.empty()) file = fromIni(dsn, "DBQ");
        if (file.empty() && !dsn.empty()) file = fromIni(dsn, "Database");
        SQLRETURN rc = connectTo(dbc, dsn, file);
        if (!SQL_SUCCEEDED(rc)) return rc;
        SQLLEN n = 0;
        rc = writeString(dbc, text, out, outCapacity, &n);
        if (outLength) *outLength = static_cast<SQLSMALLINT>(n);
        return rc;
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLConnect(SQLHDBC dbc, SQLCHAR* dsn, SQLSMALLINT dsnLength, SQLCHAR*,
                                                   SQLSMALLINT, SQLCHAR*, SQLSMALLINT) {
    return entry(dbc, [&]() -> SQLRETURN {
        std::string name = textOf(dsn, dsnLength);
        std::string file = fromIni(name, "DBQ");
        if (file.empty()) file = fromIni(name, "Database");
        return connectTo(dbc, name, file);
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLDisconnect(SQLHDBC dbc) {
    return entry(dbc, [&]() -> SQLRETURN {
        SQLRETURN rc = mdbtools().SQLDisconnect(dbc);
        forgetStatementsOf(dbc);
        Connection& conn = connectionOf(dbc);
        closeFile(conn);
        conn.connected = false;
        return fromMdbtools(dbc, rc, "HY000", "Disconnecting failed");
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLGetInfo(SQLHDBC dbc, SQLUSMALLINT type, SQLPOINTER value,
                                                   SQLSMALLINT capacity, SQLSMALLINT* length) {
    return entry(dbc, [&]() -> SQLRETURN {
        return report(dbc, answerInfo(type, connectionOf(dbc).facts, value, capacity, length));
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLGetFunctions(SQLHDBC dbc, SQLUSMALLINT function, SQLUSMALLINT* supported) {
    return entry(dbc, [&]() -> SQLRETURN {
        if (!supported) return fail(dbc, "HY009", "Invalid use of null pointer");
        supportedFunctions(function, supported);
        return SQL_SUCCESS;
    });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC dbc, SQLINTEGER attr, SQLPOINTER value,
                                                          SQLINTEGER capacity, SQLINTEGER* length) {
    return getConnectAttr(dbc, attr, value, capacity, length);
}
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC dbc, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
    return setConnectAttr(dbc, attr, value);
}
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLGetConnectOption(SQLHDBC dbc, SQLUSMALLINT option, SQLPOINTER value) {
    return getConnectAttr(dbc, option, value, SQL_MAX_OPTION_STRING_LENGTH, nullptr);
}
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLSetConnectOption(SQLHDBC dbc, SQLUSMALLINT option, SQLULEN value) {
    return setConnectAttr(dbc, option, reinterpret_cast<SQLPOINTER>(value));
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLNativeSql(SQLHDBC dbc, SQLCHAR* in, SQLINTEGER inLength, SQLCHAR* out,
                                                     SQLINTEGER outCapacity, SQLINTEGER* outLength) {
    return entry(dbc, [&]() -> SQLRETURN {
        SQLLEN n = 0;
        SQLRETURN rc = writeString(dbc, textOf(in, inLength), out, outCapacity, &n);
        if (outLength) *outLength = static_cast<SQLINTEGER>(n);
        return rc;
    });
}

// Nothing is ever written, so there is nothing to commit or roll back.
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLEndTran(SQLSMALLINT, SQLHANDLE, SQLSMALLINT) { return SQL_SUCCESS; }
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLTransact(SQLHENV, SQLHDBC, SQLUSMALLINT) { return SQL_SUCCESS; }

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT, SQLHANDLE h, SQLSMALLINT record, SQLCHAR* state,
                                                      SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT capacity,
                                                      SQLSMALLINT* length) {
    return reading([&](const Diagnostics& d) { return d.record(h, record, state, native, message, capacity, length); });
}

VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT, SQLHANDLE h, SQLSMALLINT record, SQLSMALLINT field,
                                                        SQLPOINTER info, SQLSMALLINT capacity, SQLSMALLINT* length) {
    return reading([&](const Diagnostics& d) { return d.field(h, record, field, info, capacity, length); });
}

// The ODBC 2 form hands out each record once.
VORRINDEL_ODBC_EXPORT SQLRETURN SQL_API SQLError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, SQLCHAR* state,
                                                 SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT capacity,
                                                 SQLSMALLINT* length) {
    SQLHANDLE h = stmt ? stmt : dbc ? dbc : env;
    return reading([&](Diagnostics& d) { return d.takeFirst(h, state, native, message, capacity, length); });
}
