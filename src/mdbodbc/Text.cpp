#include "Text.h"

#include <cctype>

#include "common/Text.h"

namespace vorrindel::mdbodbc {

namespace {

std::string trimmed(std::string_view s) {
    auto b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    auto e = s.find_last_not_of(" \t");
    return std::string(s.substr(b, e - b + 1));
}

bool matchFrom(std::string_view name, std::size_t n, std::string_view pattern, std::size_t p, char escape) {
    while (p < pattern.size()) {
        char c = pattern[p];
        if (c == '%') {
            while (p < pattern.size() && pattern[p] == '%') ++p;
            if (p == pattern.size()) return true;
            for (std::size_t k = n; k <= name.size(); ++k)
                if (matchFrom(name, k, pattern, p, escape)) return true;
            return false;
        }
        if (n == name.size()) return false;
        if (c == '_') {
            ++n;
            ++p;
            continue;
        }
        if (c == escape && escape != 0 && p + 1 < pattern.size()) c = pattern[++p];
        if (asciiLower(c) != asciiLower(name[n])) return false;
        ++n;
        ++p;
    }
    return n == name.size();
}

}  // namespace

std::map<std::string, std::string> parseConnectionString(std::string_view text) {
    std::map<std::string, std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        auto eq = text.find('=', i);
        auto semi = text.find(';', i);
        if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
            if (semi == std::string_view::npos) break;
            i = semi + 1;  // a part without '=' is skipped
            continue;
        }
        std::string key = asciiUpper(trimmed(text.substr(i, eq - i)));
        std::size_t v = eq + 1;
        while (v < text.size() && text[v] == ' ') ++v;
        std::string value;
        if (v < text.size() && text[v] == '{') {
            std::size_t k = v + 1;
            while (k < text.size()) {
                if (text[k] == '}') {
                    if (k + 1 < text.size() && text[k + 1] == '}') {
                        value.push_back('}');
                        k += 2;
                        continue;
                    }
                    break;
                }
                value.push_back(text[k++]);
            }
            i = text.find(';', k);
            i = i == std::string_view::npos ? text.size() : i + 1;
        } else {
            auto end = text.find(';', v);
            value = trimmed(text.substr(v, end == std::string_view::npos ? std::string_view::npos : end - v));
            i = end == std::string_view::npos ? text.size() : end + 1;
        }
        if (!key.empty()) out[key] = value;
    }
    return out;
}

bool matchesPattern(std::string_view name, std::string_view pattern, char escape) {
    return matchFrom(name, 0, pattern, 0, escape);
}

bool isReadOnlyStatement(std::string_view sql) {
    std::size_t i = 0;
    while (i < sql.size()) {
        char c = sql[i];
        if (std::isspace(static_cast<unsigned char>(c)) || c == '(') {
            ++i;
        } else if (sql.compare(i, 2, "--") == 0) {
            auto end = sql.find('\n', i);
            i = end == std::string_view::npos ? sql.size() : end + 1;
        } else if (sql.compare(i, 2, "/*") == 0) {
            auto end = sql.find("*/", i + 2);
            i = end == std::string_view::npos ? sql.size() : end + 2;
        } else {
            break;
        }
    }
    if (!equalsIgnoringAsciiCase(sql.substr(i, 6), "select")) return false;
    if (i + 6 == sql.size()) return true;
    unsigned char next = static_cast<unsigned char>(sql[i + 6]);
    return !std::isalnum(next) && next != '_';
}

}  // namespace vorrindel::mdbodbc
