#include <algorithm>
#include <string>
#include <vector>
#include <gtest/gtest.h>

#include "listing/Listing.h"

namespace vorrindel::listing {
namespace {

struct MatchCase {
    const char* patterns;
    const char* name;
    bool matches;
};

class PatternMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(PatternMatch, FollowsWildcardRules) {
    const auto& c = GetParam();
    EXPECT_EQ(PatternSet(c.patterns).matches(c.name), c.matches) << '"' << c.patterns << "\" vs \"" << c.name << '"';
}

INSTANTIATE_TEST_SUITE_P(
    CaseIgnored, PatternMatch,
    ::testing::Values(MatchCase{"*.xls", "REPORT.XLS", true}, MatchCase{"*.XLS", "report.xls", true},
                      MatchCase{"*.xls", "x.xlsx", false}, MatchCase{"*.xls", "xls", false},
                      MatchCase{"*.xls", "a.xls ", false}, MatchCase{"report.xls", "Report.Xls", true},
                      MatchCase{"report.xls", "report.xl", false}, MatchCase{"*", "anything.at.all", true}));

INSTANTIATE_TEST_SUITE_P(
    Lists, PatternMatch,
    ::testing::Values(MatchCase{"*.doc;*.rtf", "a.Doc", true}, MatchCase{"*.doc;*.rtf", "b.rtf", true},
                      MatchCase{"*.doc;*.rtf", "c.txt", false}, MatchCase{" *.doc ;\t*.RTF ", "B.rtf", true},
                      MatchCase{"*.doc;;", "a.doc", true}, MatchCase{";;", "a", false},
                      MatchCase{"", "a", false}, MatchCase{" ; ", "a", false},
                      MatchCase{"*.doc; ", " ", false}));

INSTANTIATE_TEST_SUITE_P(
    QuestionMarkTakesOneCharacter, PatternMatch,
    ::testing::Values(MatchCase{"?.txt", "a.txt", true}, MatchCase{"?.txt", "ab.txt", false},
                      MatchCase{"?.txt", ".txt", false}, MatchCase{"?.txt", "\xC3\xA9.txt", true},
                      MatchCase{"?.txt", "\xE2\x82\xAC.txt", true}, MatchCase{"?.txt", "\xF0\x9F\x98\x80.txt", true},
                      MatchCase{"??.txt", "\xC3\xA9.txt", false}, MatchCase{"r?port.xls", "R\xC3\x89PORT.XLS", true},
                      MatchCase{"*?.txt", "\xC3\xA9.txt", true}, MatchCase{"?", "\xFF", true},
                      MatchCase{"?", "\xC3", true}));

INSTANTIATE_TEST_SUITE_P(
    StarBacktracks, PatternMatch,
    ::testing::Values(MatchCase{"a*b*c", "aXbYc", true}, MatchCase{"a*b*c", "aXcYb", false},
                      MatchCase{"*ab", "aab", true}, MatchCase{"a*a*a", "aaa", true},
                      MatchCase{"a*a*a", "aa", false}, MatchCase{"*.t?t", "x.tar.txt", true},
                      MatchCase{"**", "", true}, MatchCase{"?*", "", false}));

TEST(PatternSet, KeepsTheTextAsGiven) { EXPECT_EQ(PatternSet(" *.Doc;*.rtf").text(), " *.Doc;*.rtf"); }

struct OrderCase {
    const char* a;
    const char* b;
    bool less;
};

class CaseInsensitiveOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(CaseInsensitiveOrder, ComparesFoldedThenByBytes) {
    const auto& c = GetParam();
    EXPECT_EQ(lessIgnoringCase(c.a, c.b), c.less) << c.a << " < " << c.b;
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, CaseInsensitiveOrder,
    ::testing::Values(OrderCase{"a", "B", true}, OrderCase{"B", "a", false}, OrderCase{"A", "a", true},
                      OrderCase{"a", "A", false}, OrderCase{"a", "a", false}, OrderCase{"a", "AB", true},
                      OrderCase{"AB", "ab", true}, OrderCase{"Zeta", "\xC3\xA9", true}, OrderCase{"", "a", true},
                      OrderCase{"a", "", false}));


// The display sort folds each name once instead of in every comparison: it must give the same
// order as the pairwise comparison, also for case-only ties, prefixes, long shared prefixes and
// bytes past ASCII.
TEST(SortForDisplay, GivesThePairwiseOrder) {
    const std::vector<std::string> expected = {
        "",          "a",          "A.doc",      "a.DOC",      "a.doc",          "AB",     "ab",
        "Report_000000.doc", "REPORT_000001.doc", "report_000001.DOC", "Report_0000010.doc",
        "Zeta", "\xC3\x89t\xC3\xA9", "\xC3\xA9t\xC3\xA9", "\xFF"};
    for (std::size_t rotate = 0; rotate < expected.size(); ++rotate) {
        std::vector<std::string> names(expected.rbegin(), expected.rend());
        std::rotate(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(rotate), names.end());
        sortForDisplay(names);
        EXPECT_EQ(names, expected) << "starting from rotation " << rotate;
    }
    EXPECT_TRUE(std::is_sorted(expected.begin(), expected.end(), lessIgnoringCase));
}

}  // namespace
}  // namespace vorrindel::listing
