// Names, URLs and lock files, as the office writes them.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "automation/libreoffice/OfficeFiles.h"

namespace vorrindel::automation::libreoffice {
namespace {

TEST(FileUrl, EncodesWhatAUrlPathCannotHoldAndDecodesItBack) {
    EXPECT_EQ(fileUrlFromPath("/tmp/a b/q3#1%.xls"), "file:///tmp/a%20b/q3%231%25.xls");
    EXPECT_EQ(fileUrlFromPath("/tmp/\xC3\xA4.doc"), "file:///tmp/%C3%A4.doc");
    for (std::string path : {"/tmp/a b/q3#1%.xls", "/tmp/\xC3\xA4.doc", "/", "/x/y(1);z.ppt"})
        EXPECT_EQ(pathFromFileUrl(fileUrlFromPath(path)), path);
}

TEST(FileUrl, EveryByteOfANameThatIsNotUtf8ComesBackAsItself) {
    EXPECT_EQ(fileUrlFromPath("/d/bad\xFF\xFE.xls"), "file:///d/bad%FF%FE.xls");
    std::string all;
    for (int c = 1; c < 256; ++c)
        if (c != '/') all.push_back(static_cast<char>(c));
    const std::string path = "/d/" + all;
    EXPECT_EQ(pathFromFileUrl(fileUrlFromPath(path)), path);
    EXPECT_EQ(fileNameFromUrl(fileUrlFromPath(path)), all);
    // The lossy twin is another name.
    EXPECT_NE(fileUrlFromPath("/d/bad\xFF\xFE.xls"), fileUrlFromPath("/d/bad\xEF\xBF\xBD\xEF\xBF\xBD.xls"));
}

TEST(FileUrl, OnlyLocalFileUrlsHaveAPath) {
    EXPECT_EQ(pathFromFileUrl("file://localhost/tmp/a.xls"), "/tmp/a.xls");
    EXPECT_EQ(pathFromFileUrl("private:factory/scalc"), std::nullopt);
    EXPECT_EQ(pathFromFileUrl(""), std::nullopt);
    EXPECT_EQ(pathFromFileUrl("file://server/share/a.xls"), std::nullopt);
}

TEST(FileUrl, NameIsTheDecodedLastSegment) {
    EXPECT_EQ(fileNameFromUrl("file:///tmp/My%20Book.xls"), "My Book.xls");
    EXPECT_EQ(fileNameFromUrl("file:///tmp/50%25.doc"), "50%.doc");
    EXPECT_EQ(fileNameFromUrl(""), "");
    // A broken escape stays as it is.
    EXPECT_EQ(fileNameFromUrl("file:///tmp/a%2"), "a%2");
}

TEST(DocumentName, ExtensionIsFromTheLastDot) {
    EXPECT_EQ(withoutExtension("plan.ppt"), "plan");
    EXPECT_EQ(withoutExtension("q3.final.ppt"), "q3.final");
    EXPECT_EQ(withoutExtension("noext"), "noext");
    EXPECT_EQ(withoutExtension(".ppt"), ".ppt");
    EXPECT_EQ(withoutExtension("x."), "x");
}

TEST(DocumentName, LetterCaseIsIgnoredAcrossScripts) {
    EXPECT_TRUE(sameNameIgnoringCase("Q3.XLS", "q3.xls"));
    EXPECT_TRUE(sameNameIgnoringCase("\xC3\x84rger.doc", "\xC3\xA4RGER.DOC"));            // Ä / ä
    EXPECT_TRUE(sameNameIgnoringCase("\xD0\x9F\xD0\xBB\xD0\xB0\xD0\xBD", "\xD0\xBF\xD0\xBB\xD0\xB0\xD0\xBD"));  // Cyrillic
    EXPECT_TRUE(sameNameIgnoringCase("\xC5\x81\xC3\xB3" "d\xC5\xBA", "\xC5\x82\xC3\x93" "D\xC5\xB9"));   // Łódź / łÓDŹ
    EXPECT_FALSE(sameNameIgnoringCase("q3.xls", "q3.xlsx"));
    EXPECT_FALSE(sameNameIgnoringCase("a.xls", "b.xls"));
    EXPECT_FALSE(sameNameIgnoringCase("\xC3\x97", "\xC3\xB7"));  // × and ÷ are no case pair
    EXPECT_TRUE(sameNameIgnoringCase("", ""));
}

TEST(DocumentName, ANameThatIsNotUtf8MatchesOnlyItselfByteForByte) {
    EXPECT_TRUE(sameNameIgnoringCase("bad\xFF\xFE.xls", "bad\xFF\xFE.xls"));
    EXPECT_FALSE(sameNameIgnoringCase("bad\xFF\xFE.xls", "BAD\xFF\xFE.XLS"));
    EXPECT_FALSE(sameNameIgnoringCase("bad\xFF\xFE.xls", "bad\xEF\xBF\xBD\xEF\xBF\xBD.xls"));
    EXPECT_FALSE(sameNameIgnoringCase("\xFF.xls", "\xC3\xBF.xls"));  // the byte FF is no y-diaeresis
}

TEST(LockFile, SitsBesideTheDocument) {
    EXPECT_EQ(lockFilePathFor("/data/q3.xls"), "/data/.~lock.q3.xls#");
    EXPECT_EQ(lockFilePathFor("/data/my book.doc"), "/data/.~lock.my book.doc#");
}

TEST(LockFile, FieldsAreReadWithTheirEscapes) {
    auto owner = parseLockFile("Smith\\, Ann,ann,host1,07.12.2026 10:00,file:///home/ann/.config/libreoffice/4;");
    ASSERT_TRUE(owner);
    EXPECT_EQ(owner->user, "Smith, Ann");
    EXPECT_EQ(owner->sysUser, "ann");
    EXPECT_EQ(owner->host, "host1");
    EXPECT_EQ(owner->time, "07.12.2026 10:00");
    EXPECT_EQ(owner->profileUrl, "file:///home/ann/.config/libreoffice/4");
    EXPECT_EQ(describeLockOwner(*owner), "Smith, Ann on host1 since 07.12.2026 10:00");
}

TEST(LockFile, TruncatedOrShortContentIsNoLock) {
    EXPECT_FALSE(parseLockFile(""));
    EXPECT_FALSE(parseLockFile("a,b,c,d,e"));  // cut off before the terminator
    EXPECT_FALSE(parseLockFile("a,b,c;"));
}

TEST(Profile, PrivateProfileUrlHasNoTrailingSlash) {
    EXPECT_EQ(profileUrlFor("/tmp/p/"), "file:///tmp/p");
    EXPECT_EQ(profileUrlFor("/tmp/my profile"), "file:///tmp/my%20profile");
}

TEST(Profile, PipeNameIsPrivateToTheProfileFolderAndTheDisplay) {
    const std::string name = sessionPipeName("/home/a/.config/libreoffice/4", ":0");
    EXPECT_EQ(name, sessionPipeName("/home/a/.config/libreoffice/4", ":0"));
    EXPECT_NE(name, sessionPipeName("/home/b/.config/libreoffice/4", ":0"));
    EXPECT_NE(name, sessionPipeName("/home/a/.config/libreoffice/4", ":1"));
    EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_"), std::string::npos) << name;
    EXPECT_LT(name.size(), 40u);
}

// Sets a variable for the life of a test; nullptr unsets it.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { saved_ ? setenv(name_, saved_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

TEST(Profile, UsersOwnProfileFollowsTheHomeFolder) {
    ScopedVariable config("XDG_CONFIG_HOME", nullptr);
    ScopedVariable home("HOME", "/home/first");
    const std::string first = sessionPipeName("", ":0");
    EXPECT_EQ(profileFolder(""), "/home/first/.config/libreoffice/4");
    setenv("HOME", "/home/second", 1);
    EXPECT_NE(sessionPipeName("", ":0"), first);
}

TEST(ProgramFolders, GivenFolderThenAnAbsoluteXdgFolderThenTheHomeFolder) {
    struct Row {
        const char* given;
        const char* xdg;
        const char* expected;
    } rows[] = {
        {"/tmp/mine", "/xdg/cache", "/tmp/mine"},
        {"", "/xdg/cache", "/xdg/cache/vorrindel"},
        {"", nullptr, "/home/u/.cache/vorrindel"},
        {"", "", "/home/u/.cache/vorrindel"},
        {"", "relative/cache", "/home/u/.cache/vorrindel"},
    };
    ScopedVariable home("HOME", "/home/u");
    for (const Row& row : rows) {
        ScopedVariable xdg("XDG_CACHE_HOME", row.xdg);
        EXPECT_EQ(programFolder(row.given, "XDG_CACHE_HOME", ".cache"), row.expected)
            << "given \"" << row.given << "\", XDG_CACHE_HOME " << (row.xdg ? row.xdg : "unset");
    }
}

TEST(Spawn, StartedProgramGetsTheVariablesOverOursAndOursStayAsTheyWere) {
    ScopedVariable kept("VORRINDEL_SPAWN_KEPT", "kept");
    ScopedVariable replaced("VORRINDEL_SPAWN_REPLACED", "ours");
    const std::string out = "/tmp/vorrindel-spawn-" + std::to_string(getpid());
    std::string error;
    const int pid = spawnOffice(
        "/bin/sh",
        {"-c", "printf '%s|%s|%s' \"$VORRINDEL_SPAWN_KEPT\" \"$VORRINDEL_SPAWN_REPLACED\" \"$VORRINDEL_SPAWN_NEW\" >" + out},
        {{"VORRINDEL_SPAWN_REPLACED", "theirs"}, {"VORRINDEL_SPAWN_NEW", "new"}}, error);
    ASSERT_GT(pid, 0) << error;
    waitpid(pid, nullptr, 0);
    std::ostringstream written;
    written << std::ifstream(out).rdbuf();
    std::remove(out.c_str());
    EXPECT_EQ(written.str(), "kept|theirs|new");
    EXPECT_STREQ(std::getenv("VORRINDEL_SPAWN_REPLACED"), "ours");
    EXPECT_EQ(std::getenv("VORRINDEL_SPAWN_NEW"), nullptr);
}

TEST(Packages, EachKindNamesItsDebianPackage) {
    EXPECT_EQ(packageFor(DocKind::Spreadsheet), "libreoffice-calc");
    EXPECT_EQ(packageFor(DocKind::Text), "libreoffice-writer");
    EXPECT_EQ(packageFor(DocKind::Presentation), "libreoffice-impress");
    EXPECT_EQ(packageFor(DocKind::Database), "libreoffice-base");
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice
