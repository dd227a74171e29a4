#include "settings/IniText.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace ini = vorrindel::settings::ini;
using namespace std::string_literals;

namespace {

struct LookupCase {
    const char* rule;
    std::string text;
    std::optional<std::string> expected;  // the value of Dir in [Dir]
};

void PrintTo(const LookupCase& c, std::ostream* os) { *os << c.rule; }

class LookupReadsProfileText : public ::testing::TestWithParam<LookupCase> {};

TEST_P(LookupReadsProfileText, FindsDirValue) {
    EXPECT_EQ(ini::lookup(GetParam().text, "Dir", "Dir"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Format, LookupReadsProfileText,
    ::testing::Values(
        LookupCase{"plain", "[Dir]\nDir=/home/a\n", "/home/a"},
        LookupCase{"empty_text", "", std::nullopt},
        LookupCase{"empty_value_is_present", "[Dir]\nDir=\n", ""},
        LookupCase{"names_ignore_letter_case", "[dIR]\nDIR=/x\n", "/x"},
        LookupCase{"blanks_around_names_and_equals", "  [ Dir ]  \n\t Dir \t=  /x \t\n", "/x"},
        LookupCase{"quotes_keep_outer_blanks", "[Dir]\nDir=\" /a b \"\n", " /a b "},
        LookupCase{"single_quote_char_is_kept", "[Dir]\nDir=\"\n", "\""},
        LookupCase{"semicolon_and_equals_inside_value", "[Dir]\nDir=/a;b=c\n", "/a;b=c"},
        LookupCase{"crlf_endings", "[Type]\r\nType=Word\r\n[Dir]\r\nDir=/x\r\n", "/x"},
        LookupCase{"cr_endings", "[Dir]\rDir=/x\r", "/x"},
        LookupCase{"no_final_line_ending", "[Dir]\nDir=/x", "/x"},
        LookupCase{"byte_order_mark", "\xEF\xBB\xBF[Dir]\nDir=/x\n", "/x"},
        LookupCase{"key_in_other_section", "[Drive]\nDir=/x\n", std::nullopt},
        LookupCase{"key_before_any_section", "Dir=/x\n[Dir]\n", std::nullopt},
        LookupCase{"commented_out_key", "[Dir]\n;Dir=/x\n# Dir=/y\n", std::nullopt},
        LookupCase{"line_without_equals_ignored", "[Dir]\nDir\nDir=/x\n", "/x"},
        LookupCase{"first_of_duplicate_keys", "[Dir]\nDir=/1\nDir=/2\n", "/1"},
        LookupCase{"later_duplicate_section_searched", "[Dir]\nOther=1\n[Tick]\nTick=0\n[Dir]\nDir=/2\n", "/2"},
        LookupCase{"unclosed_bracket_opens_section", "[Dir\nDir=/x\n", "/x"},
        LookupCase{"text_after_bracket_ignored", "[Dir] ; folder\nDir=/x\n", "/x"},
        LookupCase{"nul_and_binary_bytes_survive", "\x01\xff\0junk\n[Dir]\nDir=/a\xc3\xa9\n"s,
                   "/a\xc3\xa9"}),
    [](const auto& info) { return std::string(info.param.rule); });

TEST(IniAssign, FillsEmptyTextInOrderOfFirstWrite) {
    std::string text;
    text = ini::assign(text, "Type", "Type", "Excel");
    text = ini::assign(text, "Drive", "Drive", "/ [sda2]");
    text = ini::assign(text, "Dir", "Dir", "/home/a");
    text = ini::assign(text, "Tick", "Tick", "1");
    text = ini::assign(text, "Type", "Type", "Word");
    EXPECT_EQ(text, "[Type]\nType=Word\n[Drive]\nDrive=/ [sda2]\n[Dir]\nDir=/home/a\n[Tick]\nTick=1\n");
}

TEST(IniAssign, ReplacesValueInPlaceKeepingEveryOtherByte) {
    const std::string text = "; mine\r\n[ dir ]\r\n  DIR =  /old   \r\nOther=1\r\n\r\n[Tick]\r\nTick=0";
    EXPECT_EQ(ini::assign(text, "Dir", "Dir", "/new"),
              "; mine\r\n[ dir ]\r\n  DIR =  /new\r\nOther=1\r\n\r\n[Tick]\r\nTick=0");
    EXPECT_EQ(ini::assign(text, "Tick", "Tick", "1"),
              "; mine\r\n[ dir ]\r\n  DIR =  /old   \r\nOther=1\r\n\r\n[Tick]\r\nTick=1");
}

TEST(IniAssign, NewKeyGoesAfterLastKeyOfFirstSection) {
    EXPECT_EQ(ini::assign("[Dir]\nA=1\n\n; next\n[Tick]\nTick=0\n", "Dir", "Dir", "/x"),
              "[Dir]\nA=1\nDir=/x\n\n; next\n[Tick]\nTick=0\n");
    EXPECT_EQ(ini::assign("[Dir]\n[Dir]\nA=1\n", "Dir", "Dir", "/x"), "[Dir]\nDir=/x\n[Dir]\nA=1\n");
}

TEST(IniAssign, NewKeyAfterUnterminatedLastLine) {
    EXPECT_EQ(ini::assign("[Dir]", "Dir", "Dir", "/x"), "[Dir]\nDir=/x");
    EXPECT_EQ(ini::assign("[Dir]\r\nA=1", "Dir", "Dir", "/x"), "[Dir]\r\nA=1\r\nDir=/x");
}

TEST(IniAssign, NewSectionTakesTheTextsLineEnding) {
    EXPECT_EQ(ini::assign("[Type]\r\nType=Word", "Tick", "Tick", "0"), "[Type]\r\nType=Word\r\n[Tick]\r\nTick=0\r\n");
    EXPECT_EQ(ini::assign("[Type]\rType=Word\r", "Tick", "Tick", "0"), "[Type]\rType=Word\r[Tick]\rTick=0\r");
    EXPECT_EQ(ini::assign("\xEF\xBB\xBF", "Tick", "Tick", "0"), "\xEF\xBB\xBF[Tick]\nTick=0\n");
}

class ValueRoundTrip : public ::testing::TestWithParam<std::string> {};

// Whatever is stored comes back unchanged, also when replacing a value already there.
TEST_P(ValueRoundTrip, ReadsBackWhatWasAssigned) {
    const std::string& value = GetParam();
    ASSERT_TRUE(ini::isValidValue(value));
    std::string text = ini::assign("", "Dir", "Dir", value);
    EXPECT_EQ(ini::lookup(text, "Dir", "Dir"), value) << text;
    text = ini::assign("[Dir]\nDir=  \"old\"  \n", "Dir", "Dir", value);
    EXPECT_EQ(ini::lookup(text, "Dir", "Dir"), value) << text;
}

INSTANTIATE_TEST_SUITE_P(Values, ValueRoundTrip,
                         ::testing::Values("", " ", "\t", "/home/a b", " /lead", "/trail ", "\"", "\"\"", "\"q\"",
                                           "\" x \"", "\"half", "a=b", "[Dir]", ";x", "# y", "/caf\xc3\xa9",
                                           "\xff\xfe"s),
                         [](const auto& info) { return "value" + std::to_string(info.index); });

TEST(IniNames, ValidOnlyWhenTheyCanStandInALine) {
    for (const char* good : {"Type", "Drive", "Dir", "Tick", "a b"}) EXPECT_TRUE(ini::isValidName(good)) << good;
    for (const char* bad : {"", " Dir", "Dir ", "[Dir", "Dir]", "D=r", "Di\nr", ";Dir", "#Dir"})
        EXPECT_FALSE(ini::isValidName(bad)) << bad;
    EXPECT_FALSE(ini::isValidName("D\0r"s));
}

TEST(IniValues, LineBreaksAndNulCannotBeStored) {
    EXPECT_TRUE(ini::isValidValue("/a\tb"));
    for (std::string bad : {"/a\nb"s, "/a\rb"s, "/a\0b"s})
        EXPECT_FALSE(ini::isValidValue(bad));
}

}  // namespace
