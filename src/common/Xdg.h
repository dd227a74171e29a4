#pragma once
// The XDG base folders ($XDG_CONFIG_HOME and the like). The XDG rules say a relative value is to be
// ignored: such a variable counts as unset, and the caller falls back to its folder below the home.

#include <cstdlib>
#include <optional>
#include <string>

namespace vorrindel {

inline std::optional<std::string> xdgBaseFolder(const char* variable) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') return std::string(value);
    return std::nullopt;
}

}  // namespace vorrindel
