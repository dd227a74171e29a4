#include "settings/IniText.h"

#include <cstddef>
#include <vector>

namespace vorrindel::settings::ini {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

bool isQuoted(std::string_view s) { return s.size() >= 2 && s.front() == '"' && s.back() == '"'; }

// Quotes exactly the values that trimming or unquoting would otherwise change on the way back.
std::string encodeValue(std::string_view value) {
    bool needsQuotes = !value.empty() && (isBlank(value.front()) || isBlank(value.back()) || isQuoted(value));
    if (!needsQuotes) return std::string(value);
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted += '"';
    quoted += value;
    quoted += '"';
    return quoted;
}

std::string decodeValue(std::string_view raw) {
    raw = trim(raw);
    if (isQuoted(raw)) raw = raw.substr(1, raw.size() - 2);
    return std::string(raw);
}

struct Line {
    std::size_t begin;  // first byte of the content
    std::size_t end;    // one past the content, where the line ending starts
    std::size_t next;   // one past the line ending; equal to `end` on an unterminated last line
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.push_back({pos, text.size(), text.size()});
            break;
        }
        std::size_t next = end + 1;
        if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
        lines.push_back({pos, end, next});
        pos = next;
    }
    return lines;
}

std::string_view lineEnding(std::string_view text) {
    std::size_t at = text.find_first_of("\r\n");
    if (at == std::string_view::npos || text[at] == '\n') return "\n";
    return (at + 1 < text.size() && text[at + 1] == '\n') ? "\r\n" : "\r";
}

enum class Kind { Other, Section, Key };

struct Entry {
    Kind kind = Kind::Other;
    std::string_view name;
    std::size_t valueBegin = 0;  // first byte after "=" and the blanks that follow it
    std::size_t valueEnd = 0;
};

Entry classify(std::string_view text, const Line& line) {
    std::string_view content = text.substr(line.begin, line.end - line.begin);
    std::string_view body = trim(content);
    if (body.empty() || body.front() == ';' || body.front() == '#') return {};
    if (body.front() == '[') {
        // An unclosed bracket still opens a section, named by the rest of the line.
        std::string_view inside = body.substr(1);
        inside = inside.substr(0, inside.find(']'));
        return {Kind::Section, trim(inside), 0, 0};
    }
    std::size_t eq = content.find('=');
    if (eq == std::string_view::npos) return {};
    std::size_t valueBegin = eq + 1;
    while (valueBegin < content.size() && isBlank(content[valueBegin])) ++valueBegin;
    return {Kind::Key, trim(content.substr(0, eq)), line.begin + valueBegin, line.end};
}

}  // namespace

bool isValidName(std::string_view name) {
    if (name.empty() || name != trim(name) || name.front() == ';' || name.front() == '#') return false;
    return name.find_first_of(std::string_view("\r\n\0[]=", 6)) == std::string_view::npos;
}

bool isValidValue(std::string_view value) {
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::optional<std::string> lookup(std::string_view text, std::string_view section, std::string_view key) {
    bool inSection = false;
    for (const Line& line : splitLines(text)) {
        Entry entry = classify(text, line);
        if (entry.kind == Kind::Section) {
            inSection = sameName(entry.name, section);
        } else if (entry.kind == Kind::Key && inSection && sameName(entry.name, key)) {
            return decodeValue(text.substr(entry.valueBegin, entry.valueEnd - entry.valueBegin));
        }
    }
    return std::nullopt;
}

std::string assign(std::string_view text, std::string_view section, std::string_view key, std::string_view value) {
    const std::vector<Line> lines = splitLines(text);
    const std::string encoded = encodeValue(value);

    std::optional<std::size_t> firstSection;  // header line of the first section of that name
    std::size_t anchor = 0;                   // line of that section after which a new key goes
    bool inSection = false;
    bool inFirstSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Entry entry = classify(text, lines[i]);
        if (entry.kind == Kind::Section) {
            inSection = sameName(entry.name, section);
            inFirstSection = inSection && !firstSection;
            if (inFirstSection) {
                firstSection = i;
                anchor = i;
            }
        } else if (entry.kind == Kind::Key && inSection) {
            if (sameName(entry.name, key)) {
                std::string out(text.substr(0, entry.valueBegin));
                out += encoded;
                out += text.substr(entry.valueEnd);
                return out;
            }
            if (inFirstSection) anchor = i;
        }
    }

    const std::string_view eol = lineEnding(text);
    std::string keyLine(key);
    keyLine += '=';
    keyLine += encoded;

    if (firstSection) {
        const Line& after = lines[anchor];
        std::string out(text.substr(0, after.next));
        if (after.next == after.end) {  // the section ends the text without a line ending
            out += eol;
            out += keyLine;
        } else {
            out += keyLine;
            out += eol;
        }
        out += text.substr(after.next);
        return out;
    }

    std::string out(text);
    const bool onlyMark = text == kByteOrderMark;
    if (!out.empty() && !onlyMark && out.back() != '\n' && out.back() != '\r') out += eol;
    out += '[';
    out += section;
    out += ']';
    out += eol;
    out += keyLine;
    out += eol;
    return out;
}

}  // namespace vorrindel::settings::ini
