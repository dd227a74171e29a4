// The shared helpers hold whatever the process's locale is, and their hash never changes: cache
// folders and pipe names made by an earlier version must be found again.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>

#include "TempFolder.h"
#include "common/Files.h"
#include "common/Hash.h"
#include "common/Text.h"

namespace vorrindel {
namespace {

struct CaseCase {
    const char* a;
    const char* b;
    bool equal;
};

class AsciiCase : public ::testing::TestWithParam<CaseCase> {};
TEST_P(AsciiCase, FoldsOnlyAsciiLetters) {
    // A Turkish locale must not make "I" and "i" differ, nor touch bytes of UTF-8 letters.
    std::setlocale(LC_ALL, "tr_TR.UTF-8");
    EXPECT_EQ(equalsIgnoringAsciiCase(GetParam().a, GetParam().b), GetParam().equal);
    std::setlocale(LC_ALL, "C");
}
INSTANTIATE_TEST_SUITE_P(Names, AsciiCase,
                         ::testing::Values(CaseCase{"Excel.Application", "excel.APPLICATION", true},
                                           CaseCase{"FILE", "file", true}, CaseCase{"", "", true},
                                           CaseCase{"a", "", false}, CaseCase{"ab", "abc", false},
                                           CaseCase{"\xC3\x84", "\xC3\xA4", false},  // Ä, ä: not ASCII
                                           CaseCase{"[", "{", false}, CaseCase{"@", "`", false}));

TEST(AsciiCase, SuffixIgnoresCase) {
    EXPECT_TRUE(endsWithIgnoringAsciiCase("REPORT.XLS", ".xls"));
    EXPECT_FALSE(endsWithIgnoringAsciiCase("xls", ".xls"));
    EXPECT_EQ(asciiUpper("dsn=Ä;"), "DSN=Ä;");
}

TEST(StableHash, IsFnv1a64) {
    EXPECT_EQ(fnv1a64(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(fnv1a64("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(hexHash("foobar"), "85944171f73967e8");
}

TEST(WholeFile, ReadsEveryByteOrNothing) {
    const std::filesystem::path dir = testing::makeTempFolder("vorrindel-common");
    const std::string bytes("a\0b\r\nc", 6);
    std::ofstream(dir / "f", std::ios::binary) << bytes;
    EXPECT_EQ(readWholeFile(dir / "f"), bytes);
    EXPECT_EQ(readWholeFile(dir / "missing"), std::nullopt);
    EXPECT_EQ(readWholeFileOrEmpty(dir / "missing"), "");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vorrindel
