#pragma once
// Text rules that do not depend on a locale: ASCII letters only, so that a Turkish or any other
// locale cannot change what matches.

#include <algorithm>
#include <string>
#include <string_view>

namespace vorrindel {

constexpr char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string asciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = asciiLower(c);
    return out;
}

inline std::string asciiUpper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = asciiUpper(c);
    return out;
}

constexpr bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

constexpr bool endsWithIgnoringAsciiCase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && equalsIgnoringAsciiCase(s.substr(s.size() - suffix.size()), suffix);
}

}  // namespace vorrindel
