#pragma once
// The C library's text for an errno value. Thread-safe, unlike strerror.

#include <cstring>
#include <string>
#include <system_error>

namespace vorrindel {

inline std::string systemErrorText(int error) { return std::generic_category().message(error); }

}  // namespace vorrindel
