#pragma once
// Reading a statement's result, whether mdbtools or this driver holds it.

#include <optional>

#include "State.h"

namespace vorrindel::mdbodbc {

// The columns of the current result; nullopt for an index outside it.
std::optional<ColumnInfo> describe(SQLHSTMT h, const Statement& s, SQLUSMALLINT column);
SQLSMALLINT columnCount(SQLHSTMT h, const Statement& s);

// One value of mdbtools' current row, read in mdbtools' native form into memory of ours. Posts a
// diagnostic and throws Posted when mdbtools fails.
Value readMdbtools(SQLHSTMT h, SQLUSMALLINT column, SQLSMALLINT sqlType);

// mdbtools' whole current result, read into memory.
LocalResult snapshot(SQLHSTMT h, const Statement& s);

// mdbtools' list of every table, query and system table of the connection's file.
LocalResult readTables(SQLHANDLE reportTo, SQLHDBC dbc);

// Closes the cursor: no result, no current row (bindings stay).
void closeResult(Statement& s);

// Fixed facts of each SQL type, for SQLColAttribute.
struct TypeFacts {
    SQLULEN octets;     // bytes of the default C form; 0 for character and binary data
    SQLULEN precision;  // digits, or characters of the text form; 0 for character and binary data
    SQLULEN displaySize;
    int radix;  // 10, 2, or 0 where not numeric
    bool isUnsigned;
    const char* name;
};
TypeFacts factsOf(SQLSMALLINT sqlType);

}  // namespace vorrindel::mdbodbc
