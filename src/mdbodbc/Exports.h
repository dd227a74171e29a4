#pragma once
// Every ODBC function this driver exports, with its SQLGetFunctions number. The driver manager
// looks functions up by name and then drops every one SQLGetFunctions does not confirm, so the two
// must agree: a name listed here and not defined by the driver itself would silently resolve to
// mdbtools' own function through the library dependency.

#define VORRINDEL_MDBODBC_EXPORTS(X)                                                              \
    X(SQLAllocHandle, SQL_API_SQLALLOCHANDLE)                                                     \
    X(SQLAllocEnv, SQL_API_SQLALLOCENV)                                                           \
    X(SQLAllocConnect, SQL_API_SQLALLOCCONNECT)                                                   \
    X(SQLAllocStmt, SQL_API_SQLALLOCSTMT)                                                         \
    X(SQLFreeHandle, SQL_API_SQLFREEHANDLE)                                                       \
    X(SQLFreeEnv, SQL_API_SQLFREEENV)                                                             \
    X(SQLFreeConnect, SQL_API_SQLFREECONNECT)                                                     \
    X(SQLFreeStmt, SQL_API_SQLFREESTMT)                                                           \
    X(SQLSetEnvAttr, SQL_API_SQLSETENVATTR)                                                       \
    X(SQLConnect, SQL_API_SQLCONNECT)                                                             \
    X(SQLDriverConnect, SQL_API_SQLDRIVERCONNECT)                                                 \
    X(SQLDisconnect, SQL_API_SQLDISCONNECT)                                                       \
    X(SQLGetInfo, SQL_API_SQLGETINFO)                                                             \
    X(SQLGetFunctions, SQL_API_SQLGETFUNCTIONS)                                                   \
    X(SQLGetConnectAttr, SQL_API_SQLGETCONNECTATTR)                                               \
    X(SQLSetConnectAttr, SQL_API_SQLSETCONNECTATTR)                                               \
    X(SQLGetConnectOption, SQL_API_SQLGETCONNECTOPTION)                                           \
    X(SQLSetConnectOption, SQL_API_SQLSETCONNECTOPTION)                                           \
    X(SQLNativeSql, SQL_API_SQLNATIVESQL)                                                         \
    X(SQLEndTran, SQL_API_SQLENDTRAN)                                                             \
    X(SQLTransact, SQL_API_SQLTRANSACT)                                                           \
    X(SQLGetStmtAttr, SQL_API_SQLGETSTMTATTR)                                                     \
    X(SQLSetStmtAttr, SQL_API_SQLSETSTMTATTR)                                                     \
    X(SQLGetStmtOption, SQL_API_SQLGETSTMTOPTION)                                                 \
    X(SQLSetStmtOption, SQL_API_SQLSETSTMTOPTION)                                                 \
    X(SQLPrepare, SQL_API_SQLPREPARE)                                                             \
    X(SQLExecute, SQL_API_SQLEXECUTE)                                                             \
    X(SQLExecDirect, SQL_API_SQLEXECDIRECT)                                                       \
    X(SQLNumParams, SQL_API_SQLNUMPARAMS)                                                         \
    X(SQLNumResultCols, SQL_API_SQLNUMRESULTCOLS)                                                 \
    X(SQLDescribeCol, SQL_API_SQLDESCRIBECOL)                                                     \
    X(SQLColAttribute, SQL_API_SQLCOLATTRIBUTE)                                                   \
    X(SQLColAttributes, SQL_API_SQLCOLATTRIBUTES)                                                 \
    X(SQLBindCol, SQL_API_SQLBINDCOL)                                                             \
    X(SQLFetch, SQL_API_SQLFETCH)                                                                 \
    X(SQLFetchScroll, SQL_API_SQLFETCHSCROLL)                                                     \
    X(SQLExtendedFetch, SQL_API_SQLEXTENDEDFETCH)                                                 \
    X(SQLGetData, SQL_API_SQLGETDATA)                                                             \
    X(SQLRowCount, SQL_API_SQLROWCOUNT)                                                           \
    X(SQLMoreResults, SQL_API_SQLMORERESULTS)                                                     \
    X(SQLCloseCursor, SQL_API_SQLCLOSECURSOR)                                                     \
    X(SQLCancel, SQL_API_SQLCANCEL)                                                               \
    X(SQLGetCursorName, SQL_API_SQLGETCURSORNAME)                                                 \
    X(SQLSetCursorName, SQL_API_SQLSETCURSORNAME)                                                 \
    X(SQLTables, SQL_API_SQLTABLES)                                                               \
    X(SQLColumns, SQL_API_SQLCOLUMNS)                                                             \
    X(SQLGetTypeInfo, SQL_API_SQLGETTYPEINFO)                                                     \
    X(SQLPrimaryKeys, SQL_API_SQLPRIMARYKEYS)                                                     \
    X(SQLForeignKeys, SQL_API_SQLFOREIGNKEYS)                                                     \
    X(SQLStatistics, SQL_API_SQLSTATISTICS)                                                       \
    X(SQLSpecialColumns, SQL_API_SQLSPECIALCOLUMNS)                                               \
    X(SQLProcedures, SQL_API_SQLPROCEDURES)                                                       \
    X(SQLProcedureColumns, SQL_API_SQLPROCEDURECOLUMNS)                                           \
    X(SQLTablePrivileges, SQL_API_SQLTABLEPRIVILEGES)                                             \
    X(SQLColumnPrivileges, SQL_API_SQLCOLUMNPRIVILEGES)                                           \
    X(SQLGetDiagRec, SQL_API_SQLGETDIAGREC)                                                       \
    X(SQLGetDiagField, SQL_API_SQLGETDIAGFIELD)                                                   \
    X(SQLError, SQL_API_SQLERROR)
