#pragma once
// What the driver tells about itself: SQLGetInfo answers for a read-only source with no catalogs
// and no schemas, and the set of functions it exports.

#include <sql.h>
#include <sqlext.h>

#include <string>

#include "Values.h"

namespace vorrindel::mdbodbc {

// The facts of one connection that some answers name.
struct ConnectionFacts {
    std::string dataSource;  // DSN of the connection string, may be empty
    std::string file;        // the .mdb file
};

// SQLGetInfo: string answers are cut to `capacity` (01004), numbers written at their own width.
// Unknown types fail with HY096.
Delivery answerInfo(SQLUSMALLINT type, const ConnectionFacts& facts, void* value, SQLSMALLINT capacity,
                    SQLSMALLINT* length);

// Number of info types answered (for the tests' sake: each must have an answer of the right width).
int answeredInfoCount();
SQLUSMALLINT answeredInfoType(int index);

// SQLGetFunctions: single functions, SQL_API_ALL_FUNCTIONS (100 flags) and
// SQL_API_ODBC3_ALL_FUNCTIONS (bitmap), for exactly the functions this library exports.
void supportedFunctions(SQLUSMALLINT function, SQLUSMALLINT* supported);

}  // namespace vorrindel::mdbodbc
