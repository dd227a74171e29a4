#pragma once
// Text the driver reads from its callers: connection strings, search patterns, statements.

#include <map>
#include <string>
#include <string_view>

namespace vorrindel::mdbodbc {

// "KEY=value;KEY2={value; with braces}" to its attributes, keys upper-cased; "}}" inside braces
// is one "}". Later duplicates win.
std::map<std::string, std::string> parseConnectionString(std::string_view text);

// An ODBC search pattern: '%' any run of characters, '_' any one, `escape` before either makes it
// literal. Letters compare without regard to case, as Access names do.
bool matchesPattern(std::string_view name, std::string_view pattern, char escape = '\\');

// Whether a statement only reads data: its first word, after blanks, comments and opening
// parentheses, is SELECT.
bool isReadOnlyStatement(std::string_view sql);

}  // namespace vorrindel::mdbodbc
