// File URLs and document names, as the office writes and compares them.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "automation/libreoffice/DocumentKinds.h"
#include "automation/libreoffice/FileUrls.h"

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

// Names match as the office matches them with case ignored: full Unicode case folding, the same
// in every locale.
TEST(DocumentName, NamesMatchIgnoringCaseAsTheOfficeFoldsIt) {
    struct Row {
        const char* a;
        const char* b;
        bool same;
        const char* why;
    } rows[] = {
        {"Q3.XLS", "q3.xls", true, "ASCII"},
        {"\xC3\x84rger.doc", "\xC3\xA4RGER.DOC", true, "\xC3\x84 / \xC3\xA4"},
        {"\xD0\x9F\xD0\xBB\xD0\xB0\xD0\xBD", "\xD0\xBF\xD0\xBB\xD0\xB0\xD0\xBD", true, "Cyrillic"},
        {"\xD0\x81\xD0\xB6", "\xD1\x91\xD0\x96", true, "Cyrillic \xD0\x81 / \xD1\x91"},
        {"\xC5\x81\xC3\xB3" "d\xC5\xBA", "\xC5\x82\xC3\x93" "D\xC5\xB9", true, "\xC5\x81\xC3\xB3" "d\xC5\xBA"},
        {"\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x9F\xCE\xA3", "\xCF\x83\xCE\xBF\xCF\x86\xCE\xBF\xCF\x82", true,
         "\xCE\xA3 / \xCF\x83 / final \xCF\x82"},
        {"\xCF\x82", "\xCF\x83", true, "final and medial sigma"},
        {"stra\xC3\x9F" "e.doc", "STRASSE.DOC", true, "\xC3\x9F folds to ss"},
        {"\xE1\xBA\x9E.doc", "ss.doc", true, "capital sharp s"},
        {"\xC4\xB0zmir.xls", "izmir.xls", false, "\xC4\xB0 is i with a dot, not i"},
        {"\xC4\xB0zmir.xls", "\xC4\xB1zmir.xls", false, "\xC4\xB0 is not dotless \xC4\xB1"},
        {"Izmir.xls", "\xC4\xB1zmir.xls", false, "I folds to i, not to dotless \xC4\xB1"},
        {"\xC4\xB0zmir.xls", "i\xCC\x87zmir.xls", true, "\xC4\xB0 folds to i and a combining dot"},
        {"q3.xls", "q3.xlsx", false, "longer"},
        {"a.xls", "b.xls", false, "other letter"},
        {"\xC3\x97", "\xC3\xB7", false, "\xC3\x97 and \xC3\xB7 are no case pair"},
        {"", "", true, "empty"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(sameNameIgnoringCase(row.a, row.b), row.same) << row.why;
        EXPECT_EQ(sameNameIgnoringCase(row.b, row.a), row.same) << row.why << " (reversed)";
    }
}

TEST(DocumentName, ANameThatIsNotUtf8MatchesOnlyItselfByteForByte) {
    EXPECT_TRUE(sameNameIgnoringCase("bad\xFF\xFE.xls", "bad\xFF\xFE.xls"));
    EXPECT_FALSE(sameNameIgnoringCase("bad\xFF\xFE.xls", "BAD\xFF\xFE.XLS"));
    EXPECT_FALSE(sameNameIgnoringCase("bad\xFF\xFE.xls", "bad\xEF\xBF\xBD\xEF\xBF\xBD.xls"));
    EXPECT_FALSE(sameNameIgnoringCase("\xFF.xls", "\xC3\xBF.xls"));  // the byte FF is no y-diaeresis
}

TEST(Packages, EachKindNamesItsDebianPackage) {
    EXPECT_EQ(packageFor(DocKind::Spreadsheet), "libreoffice-calc");
    EXPECT_EQ(packageFor(DocKind::Text), "libreoffice-writer");
    EXPECT_EQ(packageFor(DocKind::Presentation), "libreoffice-impress");
    EXPECT_EQ(packageFor(DocKind::Database), "libreoffice-base");
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice
