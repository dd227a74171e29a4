#include "listing/Listing.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vorrindel::listing {

namespace {

// Only ASCII letters are folded: names are UTF-8 and their other bytes must pass unchanged.
inline unsigned char fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// Length of the UTF-8 character starting at `at`; a stray or cut-off byte counts as one, so
// names that are not valid UTF-8 still list and match.
inline std::size_t charLength(std::string_view s, std::size_t at) {
    const auto lead = static_cast<unsigned char>(s[at]);
    std::size_t want = 1;
    if (lead >= 0xF0 && lead <= 0xF7) {
        want = 4;
    } else if (lead >= 0xE0) {
        want = lead <= 0xEF ? 3 : 1;
    } else if (lead >= 0xC0) {
        want = 2;
    }
    std::size_t len = 1;
    while (len < want && at + len < s.size() && (static_cast<unsigned char>(s[at + len]) & 0xC0) == 0x80) ++len;
    return len;
}

bool endsWithFolded(std::string_view name, std::string_view lowerSuffix) {
    if (name.size() < lowerSuffix.size()) return false;
    const std::size_t offset = name.size() - lowerSuffix.size();
    for (std::size_t i = 0; i < lowerSuffix.size(); ++i) {
        if (fold(static_cast<unsigned char>(name[offset + i])) != static_cast<unsigned char>(lowerSuffix[i]))
            return false;
    }
    return true;
}

// Wildcard match with a single back-tracking point: on a mismatch only the last "*" takes one
// more character, which is enough for "*" and "?" and stays linear for the usual patterns.
bool globMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size()) {
            const char pc = pattern[p];
            if (pc == '*') {
                starP = ++p;
                starN = n;
                continue;
            }
            if (pc == '?') {
                n += charLength(name, n);
                ++p;
                continue;
            }
            if (static_cast<unsigned char>(pc) == fold(static_cast<unsigned char>(name[n]))) {
                ++p;
                ++n;
                continue;
            }
        }
        if (starP == std::string_view::npos) return false;
        starN += charLength(name, starN);
        n = starN;
        p = starP;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::string_view trimBlanks(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

PatternSet::PatternSet(std::string_view patterns) : text_(patterns) {
    std::size_t start = 0;
    while (start <= patterns.size()) {
        std::size_t end = patterns.find(';', start);
        if (end == std::string_view::npos) end = patterns.size();
        const std::string_view part = trimBlanks(patterns.substr(start, end - start));
        if (!part.empty()) {
            std::string lower(part);
            for (char& c : lower) c = static_cast<char>(fold(static_cast<unsigned char>(c)));
            const bool suffix = lower[0] == '*' && lower.find_first_of("*?", 1) == std::string::npos;
            patterns_.push_back(std::move(lower));
            suffixOnly_.push_back(suffix);
        }
        start = end + 1;
    }
}

bool PatternSet::matches(std::string_view name) const {
    for (std::size_t i = 0; i < patterns_.size(); ++i) {
        const std::string& p = patterns_[i];
        if (suffixOnly_[i] ? endsWithFolded(name, std::string_view(p).substr(1)) : globMatch(p, name)) return true;
    }
    return false;
}

std::vector<std::string> listFiles(const std::string& folder, const PatternSet& patterns) {
    auto names = readNames(folder, EntryKind::File, &patterns);
    sortForDisplay(names);
    return names;
}

std::vector<std::string> listFolders(const std::string& folder) {
    auto names = readNames(folder, EntryKind::Folder, nullptr);
    sortForDisplay(names);
    return names;
}

// "/" separates on every system; normalizing writes each system's own.
std::string joinPath(std::string_view folder, std::string_view name) {
    if (folder.empty()) return normalizePath(name);
    if (name.empty()) return normalizePath(folder);
    std::string joined(folder);
    joined.push_back('/');
    joined.append(name);
    return normalizePath(joined);
}

// The same order as lessIgnoringCase, quicker for large folders: each name is folded once into one
// buffer instead of in every comparison, and the sort moves small entries instead of strings, so
// that most comparisons are a memcmp over the long prefixes such names share ("Report_0001...").
// Few and small temporary buffers: fresh pages cost more than the comparisons they save.
void sortForDisplay(std::vector<std::string>& names) {
    if (names.size() < 2) return;
    std::size_t total = 0;
    for (const auto& name : names) total += name.size();
    if (total > UINT32_MAX || names.size() > UINT32_MAX) {
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return lessIgnoringCase(a, b); });
        return;
    }
    std::string folded(total, '\0');
    struct Entry {
        std::uint32_t key;  // where its folded copy starts in `folded`
        std::uint32_t size;
        std::uint32_t index;  // into `names`
    };
    std::vector<Entry> entries(names.size());
    std::uint32_t at = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        for (std::size_t k = 0; k < name.size(); ++k)
            folded[at + k] = static_cast<char>(fold(static_cast<unsigned char>(name[k])));
        entries[i] = {at, static_cast<std::uint32_t>(name.size()), static_cast<std::uint32_t>(i)};
        at += static_cast<std::uint32_t>(name.size());
    }
    const char* keys = folded.data();
    std::sort(entries.begin(), entries.end(), [keys, &names](const Entry& a, const Entry& b) {
        if (const int c = std::memcmp(keys + a.key, keys + b.key, std::min(a.size, b.size)); c != 0) return c < 0;
        if (a.size != b.size) return a.size < b.size;
        return names[a.index] < names[b.index];
    });
    // Put each name in its place by following the cycles of the permutation: moves, no copies.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].index == i) continue;
        std::string held = std::move(names[i]);
        std::size_t to = i;
        for (;;) {
            const std::size_t from = entries[to].index;
            entries[to].index = static_cast<std::uint32_t>(to);
            if (from == i) break;
            names[to] = std::move(names[from]);
            to = from;
        }
        names[to] = std::move(held);
    }
}

bool lessIgnoringCase(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char ca = fold(static_cast<unsigned char>(a[i]));
        const unsigned char cb = fold(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;  // same but for case: a fixed order keeps the list stable between reads
}

}  // namespace vorrindel::listing
