#pragma once
// mdbtools' own ODBC functions. This library exports functions of the same names, so a plain call
// would reach this library (or the driver manager) again; they are looked up in libmdbodbc itself,
// loaded with its full path.

#include <sql.h>
#include <sqlext.h>

#include <string>

#define VORRINDEL_MDBTOOLS_FUNCTIONS(X)                                                               \
    X(SQLAllocHandle)                                                                                 \
    X(SQLFreeHandle)                                                                                  \
    X(SQLFreeStmt)                                                                                    \
    X(SQLSetEnvAttr)                                                                                  \
    X(SQLDriverConnect)                                                                               \
    X(SQLDisconnect)                                                                                  \
    X(SQLPrepare)                                                                                     \
    X(SQLExecute)                                                                                     \
    X(SQLExecDirect)                                                                                  \
    X(SQLNumResultCols)                                                                               \
    X(SQLDescribeCol)                                                                                 \
    X(SQLFetch)                                                                                       \
    X(SQLGetData)                                                                                     \
    X(SQLTables)                                                                                      \
    X(SQLColumns)                                                                                     \
    X(SQLGetTypeInfo)                                                                                 \
    X(SQLError)

namespace vorrindel::mdbodbc {

struct Mdbtools {
#define VORRINDEL_POINTER(name) decltype(&::name) name = nullptr;
    VORRINDEL_MDBTOOLS_FUNCTIONS(VORRINDEL_POINTER)
#undef VORRINDEL_POINTER
};

// Loaded on first use; throws std::runtime_error naming the missing package when it cannot be.
const Mdbtools& mdbtools();

// Passes on what mdbtools returned; when the call failed or warned, posts `message` as a diagnostic
// of `state`, with mdbtools' own last message added when it left one.
SQLRETURN fromMdbtools(SQLHANDLE h, SQLRETURN rc, const char* state, const std::string& message);

}  // namespace vorrindel::mdbodbc
