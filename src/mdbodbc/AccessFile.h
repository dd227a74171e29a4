#pragma once
// Telling an Access database by its first bytes, for the driver and for the office backend, which
// refuses other files before the office is asked.

#include <string_view>

namespace vorrindel::mdbodbc {

// Whether the first bytes of a file are those of an Access (Jet or ACE) database: page 0 starts
// with a 4-byte magic number, then the engine's name.
inline bool looksLikeAccessDatabase(std::string_view header) {
    return header.size() >= 19 && header.substr(0, 4) == std::string_view("\0\1\0\0", 4) &&
           (header.substr(4, 15) == "Standard Jet DB" || header.substr(4, 15) == "Standard ACE DB");
}

}  // namespace vorrindel::mdbodbc
