#pragma once
// What the drive, folder and file lists show, without any window system.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vorrindel::listing {

class ListingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One or more wildcard patterns joined by ";" ("*.doc;*.rtf"). "*" matches any run of characters,
// "?" exactly one; letter case is ignored (REPORT.XLS is an "*.xls" file). Blanks around each
// pattern are ignored; empty patterns between ";" match nothing.
class PatternSet {
public:
    explicit PatternSet(std::string_view patterns);
    bool matches(std::string_view name) const;
    const std::string& text() const { return text_; }

private:
    std::string text_;
    std::vector<std::string> patterns_;  // already folded to lower case
    // Per pattern: "*" followed by plain text ("*.doc"), the usual case, checked as a name ending.
    std::vector<bool> suffixOnly_;
};

// Names of the regular files (and links to regular files) in `folder` that match `patterns`; no
// hidden files; sorted without regard to letter case. Names are the system's own bytes, whatever
// their encoding. Throws ListingError when the folder cannot be read.
std::vector<std::string> listFiles(const std::string& folder, const PatternSet& patterns);

// Names of the sub-folders (and links to folders) of `folder`, the same way.
std::vector<std::string> listFolders(const std::string& folder);

// Sorts names as the lists show them.
void sortForDisplay(std::vector<std::string>& names);

// Orders names as the lists show them: without regard to letter case, ties by their bytes.
bool lessIgnoringCase(std::string_view a, std::string_view b);

// Joins with the system's separator: "/a/b" + "c" -> "/a/b/c"; "/" + "c" -> "/c"; on Windows
// "c:\\a" + "b" -> "c:\\a\\b", "c:\\" + "b" -> "c:\\b".
std::string joinPath(std::string_view folder, std::string_view name);

// --- What each system provides (Listing_posix.cpp, Listing_windows.cpp) -----------------------

enum class EntryKind { File, Folder };

// The visible entries of that kind in `folder`, unsorted; with `wanted`, only names it matches
// (checked before any further system call). Throws ListingError when the folder cannot be read.
std::vector<std::string> readNames(const std::string& folder, EntryKind kind, const PatternSet* wanted);

// Throws ListingError, naming the cause, when `folder` cannot be opened for listing.
void checkFolderReadable(const std::string& folder);
bool isFolder(const std::string& path);
bool isAbsolute(std::string_view path);

// One folder on the way from the root down to a folder: its name as the folder list shows it, and
// its full path.
struct FolderStep {
    std::string name;
    std::string path;
    bool operator==(const FolderStep&) const = default;
};
// The root first, `path` itself last.
std::vector<FolderStep> folderChain(std::string_view path);

// The process's working folder; empty when it cannot be told.
std::string workingDirectory();

// Whether `c` separates folders in a path: "/" on Linux; "\\" and "/" on Windows.
bool isSeparator(char c);

// The form in which this system compares paths and drive texts: unchanged on Linux; ASCII letters
// folded to lower case on Windows, whose names ignore letter case ("C:\\Data" is "c:\\data").
std::string pathKey(std::string_view path);

// Removes a trailing separator except at a root; collapses repeated separators. Does not resolve
// "." or "..". On Windows also writes "/" as "\\" and the drive letter in lower case
// ("C:/Data/" -> "c:\\Data").
std::string normalizePath(std::string_view path);

// The folder holding `path` ("/a/b" -> "/a", "/a" -> "/", "c:\\a" -> "c:\\"); a root for a root.
std::string parentPath(std::string_view path);

}  // namespace vorrindel::listing
