// Folders and paths on Windows: UTF-16 names, a root per drive letter ("c:\\"), letter case ignored.
#include "listing/Listing.h"

#include <memory>

#include "common/Text.h"
#include "common/WideText.h"

namespace vorrindel::listing {

using windows::narrow;
using windows::widen;

namespace {

constexpr DWORD kNotShown = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// "c:" at the start of `path`.
bool hasDrive(std::string_view path) { return path.size() >= 2 && isLetter(path[0]) && path[1] == ':'; }

// "\\\\server\\share" at the start of `path`.
bool isUnc(std::string_view path) { return path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]); }

// Length of the root at the start of a normalized path: 3 for "c:\\", the "\\\\server\\share\\" of
// a network path, 1 for a lone "\\"; 0 for a relative path.
std::size_t rootLength(std::string_view normal) {
    if (hasDrive(normal)) return normal.size() >= 3 && normal[2] == '\\' ? 3 : 2;
    if (isUnc(normal)) {
        std::size_t server = normal.find('\\', 2);
        if (server == std::string_view::npos) return normal.size();
        std::size_t share = normal.find('\\', server + 1);
        return share == std::string_view::npos ? normal.size() : share + 1;
    }
    return !normal.empty() && normal[0] == '\\' ? 1 : 0;
}

struct FindCloser {
    void operator()(HANDLE h) const { FindClose(h); }
};
using FindHandle = std::unique_ptr<void, FindCloser>;

[[noreturn]] void fail(const std::string& folder, DWORD error) {
    throw ListingError("Cannot read the folder \"" + folder + "\": " + windows::errorText(error));
}

// The first entry of `folder`; nothing (and no error) for an empty drive root, the one folder
// without "." and "..".
FindHandle openFolder(const std::string& folder, WIN32_FIND_DATAW& entry) {
    windows::QuietDriveErrors quiet;
    std::wstring pattern = widen(folder);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    HANDLE h = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH);
    if (h != INVALID_HANDLE_VALUE) return FindHandle(h);
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND && isFolder(folder)) return nullptr;
    fail(folder, error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
}

}  // namespace

// Names are matched on their long form by our own patterns: the system's own matching also looks
// at the 8.3 short name, so "*.doc" would list "x.docx" (short name "X~1.DOC").
std::vector<std::string> readNames(const std::string& folder, EntryKind kind, const PatternSet* wanted) {
    WIN32_FIND_DATAW entry;
    FindHandle find = openFolder(folder, entry);
    std::vector<std::string> names;
    if (!find) return names;
    do {
        const wchar_t* name = entry.cFileName;
        if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
        if (entry.dwFileAttributes & kNotShown) continue;
        const bool isDir = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isDir != (kind == EntryKind::Folder)) continue;
        std::string utf8 = narrow(name);
        if (wanted && !wanted->matches(utf8)) continue;
        names.push_back(std::move(utf8));
    } while (FindNextFileW(find.get(), &entry));
    if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES) fail(folder, error);
    return names;
}

void checkFolderReadable(const std::string& folder) {
    WIN32_FIND_DATAW entry;
    openFolder(folder, entry);
}

// "c:" alone, or "c:x", would name a folder through the system's own current folder of drive c;
// the program keeps its own (the drive table's), so such a path names none here.
bool isFolder(const std::string& path) {
    if (path.empty() || (hasDrive(path) && !isAbsolute(path))) return false;
    windows::QuietDriveErrors quiet;
    const DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// "c:\\x" and "\\\\server\\share"; "c:x" (relative to drive c's own current folder) and "\\x" (to
// the current drive) are not.
bool isAbsolute(std::string_view path) {
    return (hasDrive(path) && path.size() >= 3 && isSeparator(path[2])) || isUnc(path);
}

std::vector<FolderStep> folderChain(std::string_view path) {
    const std::string normal = normalizePath(path);
    const std::size_t root = rootLength(normal);
    std::vector<FolderStep> chain;
    if (root > 0) chain.push_back({normal.substr(0, root), normal.substr(0, root)});
    std::size_t start = root;
    while (start < normal.size()) {
        std::size_t end = normal.find('\\', start);
        if (end == std::string::npos) end = normal.size();
        chain.push_back({normal.substr(start, end - start), normal.substr(0, end)});
        start = end + 1;
    }
    return chain;
}

std::string workingDirectory() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0) return {};
    std::wstring buffer(size, L'\0');
    const DWORD got = GetCurrentDirectoryW(size, buffer.data());
    if (got == 0 || got >= size) return {};
    buffer.resize(got);
    return normalizePath(narrow(buffer));
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

std::string pathKey(std::string_view path) { return asciiLower(path); }

std::string normalizePath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = isSeparator(path[i]) ? '\\' : path[i];
        // The two separators opening a network path stay; any other run becomes one.
        if (c == '\\' && i > 1 && out.back() == '\\') continue;
        out.push_back(c);
    }
    if (hasDrive(out)) out[0] = asciiLower(out[0]);
    if (out.size() > rootLength(out) && out.back() == '\\') out.pop_back();
    return out;
}

std::string parentPath(std::string_view path) {
    const std::string normal = normalizePath(path);
    const std::size_t root = rootLength(normal);
    if (normal.size() <= root) return normal;
    const std::size_t slash = normal.rfind('\\');
    if (slash == std::string::npos || slash < root) return root > 0 ? normal.substr(0, root) : std::string();
    return normal.substr(0, slash);
}

}  // namespace vorrindel::listing
