// Folder reading on Windows: names cross as UTF-8, hidden and system entries are left out, patterns
// look at the long names only.
#include <windows.h>

#include <algorithm>

#include "FolderFixture.h"
#include "common/WideText.h"

namespace vorrindel::listing {
namespace {

using windows::widen;

class WindowsFolder : public FolderListing {
protected:
    // Makes a file (or, with a trailing "\\", a folder) of that UTF-8 name with those attributes.
    bool make(const std::string& name, DWORD attributes = 0) {
        const std::wstring full = root_.native() + L"\\" + widen(name);
        bool made = false;
        if (!name.empty() && name.back() == '\\') {
            made = CreateDirectoryW(full.c_str(), nullptr) != 0;
        } else {
            HANDLE h = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            made = h != INVALID_HANDLE_VALUE;
            if (made) CloseHandle(h);
        }
        if (made && attributes) made = SetFileAttributesW(full.c_str(), attributes) != 0;
        return made;
    }
};

TEST_F(WindowsFolder, HiddenAndSystemEntriesAreLeftOut) {
    ASSERT_TRUE(make("shown.xls"));
    ASSERT_TRUE(make("hidden.xls", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(make("system.xls", FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(make("readonly.xls", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(make("sub\\"));
    ASSERT_TRUE(make("secret\\", FILE_ATTRIBUTE_HIDDEN));
    if (!(GetFileAttributesW((root_ / "hidden.xls").c_str()) & FILE_ATTRIBUTE_HIDDEN))
        GTEST_SKIP() << "this file system keeps no hidden attribute";
    EXPECT_EQ(listFiles(path(), PatternSet("*")), (Names{"readonly.xls", "shown.xls"}));
    EXPECT_EQ(listFolders(path()), Names{"sub"});
    SetFileAttributesW((root_ / "readonly.xls").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The system's own matching also tries the 8.3 name ("X~1.DOC" for "x.docx"); ours never does.
TEST_F(WindowsFolder, PatternsMatchTheLongNamesOnly) {
    for (const char* n : {"x.docx", "report.doc", "long name.doc", "b.rtf.bak", "C.RTF"}) ASSERT_TRUE(make(n));
    EXPECT_EQ(listFiles(path(), PatternSet("*.doc;*.rtf")), (Names{"C.RTF", "long name.doc", "report.doc"}));
    EXPECT_EQ(listFiles(path(), PatternSet("x.doc")), Names{});
}

TEST_F(WindowsFolder, NamesCrossAsUtf8AndOpenAgain) {
    const Names names = {"caf\xC3\xA9.xls", "\xE6\x97\xA5\xE6\x9C\xAC.xls", "\xF0\x9F\x98\x80.xls", "\xD0\xAF\\"};
    for (const auto& n : names) ASSERT_TRUE(make(n)) << n;
    const Names files = listFiles(path(), PatternSet("*.xls"));
    EXPECT_EQ(files.size(), 3u);
    for (const auto& n : files) {
        EXPECT_NE(std::find(names.begin(), names.end(), n), names.end()) << n;
        EXPECT_NE(GetFileAttributesW(widen(joinPath(path(), n)).c_str()), INVALID_FILE_ATTRIBUTES) << n;
    }
    EXPECT_EQ(listFolders(path()), Names{"\xD0\xAF"});
    EXPECT_TRUE(isFolder(joinPath(path(), "\xD0\xAF")));
}

// NTFS allows names that are not valid UTF-16; they cross and come back unchanged. Bytes that are
// not UTF-8 come from hand-edited settings only, and become U+FFFD.
TEST(WideText, EveryNameComesBackAsItWas) {
    for (const std::wstring name : {L"odd\xD800.xls", L"\xDC00", L"a\xDBFF\xDBFF", L"caf\xE9", L"\xD83D\xDE00"})
        EXPECT_EQ(widen(windows::narrow(name)), name);
    EXPECT_EQ(windows::narrow(L"odd\xD800.xls"), "odd\xED\xA0\x80.xls");
    EXPECT_EQ(widen("a\xFF\xC3"), L"a\xFFFD\xFFFD");
    EXPECT_EQ(widen("\xC0\xAF"), L"\xFFFD\xFFFD");  // an overlong "/" is no separator
}

TEST(WindowsDriveRoot, ListsAndReadsLikeAnyFolder) {
    wchar_t windowsFolder[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryW(windowsFolder, MAX_PATH), 3u);
    const std::string root = normalizePath(windows::narrow(std::wstring(windowsFolder, 3)));  // "c:\\"
    EXPECT_NO_THROW(checkFolderReadable(root));
    EXPECT_TRUE(isFolder(root));
    EXPECT_FALSE(isFolder(root.substr(0, 2)));  // "c:" is a drive's text, not the system's folder on it
    const Names folders = listFolders(root);
    const std::string name = pathKey(windows::narrow(windowsFolder + 3));
    EXPECT_TRUE(std::any_of(folders.begin(), folders.end(), [&](const std::string& f) { return pathKey(f) == name; }))
        << name;
}

}  // namespace
}  // namespace vorrindel::listing
