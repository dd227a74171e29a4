// Drives on Windows: one per letter, shown as "c: [LABEL]", or "c:" without a label; letter case
// never matters.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "listing/Drives.h"
#include "listing/Listing.h"

namespace vorrindel::listing {
namespace {

DriveTable sampleTable() {
    return DriveTable::of({{"z:\\", "Data", "z:"}, {"c:\\", "SYSTEM", "c:"}, {"d:\\", "", "d:"}}, "C:\\Users\\me\\");
}

TEST(WindowsDrives, TextsAreLetterColonAndLabelInBrackets) {
    const auto table = sampleTable();
    std::vector<std::string> texts;
    for (const Drive& d : table.drives()) texts.push_back(d.text());
    EXPECT_EQ(texts, (std::vector<std::string>{"c: [SYSTEM]", "d:", "z: [Data]"}));
}

struct Lookup {
    const char* text;
    const char* mountPoint;  // "" for none
};

class WindowsDriveLookup : public ::testing::TestWithParam<Lookup> {};

TEST_P(WindowsDriveLookup, ByTextFindsTheDriveOfTheLetter) {
    const auto table = sampleTable();
    const Drive* d = table.byText(GetParam().text);
    EXPECT_EQ(d ? d->mountPoint : std::string(), GetParam().mountPoint) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WindowsDriveLookup,
    ::testing::Values(Lookup{"c: [SYSTEM]", "c:\\"}, Lookup{"C: [anything]", "c:\\"}, Lookup{"c:", "c:\\"},
                      Lookup{"c:\\data", "c:\\"}, Lookup{"D:", "d:\\"}, Lookup{"z: [Data]", "z:\\"},
                      Lookup{"e: [x]", ""}, Lookup{"c", ""}, Lookup{"", ""}, Lookup{"[c:]", ""}));

class WindowsDriveOf : public ::testing::TestWithParam<Lookup> {};

TEST_P(WindowsDriveOf, HoldsEveryPathBelowTheRoot) {
    const auto table = sampleTable();
    const Drive* d = table.driveOf(GetParam().text);
    EXPECT_EQ(d ? d->mountPoint : std::string(), GetParam().mountPoint) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Paths, WindowsDriveOf,
                         ::testing::Values(Lookup{"c:\\data", "c:\\"}, Lookup{"C:\\Data\\", "c:\\"},
                                           Lookup{"c:\\", "c:\\"}, Lookup{"Z:/x/y", "z:\\"}, Lookup{"e:\\x", ""},
                                           Lookup{"relative", ""}));

TEST(WindowsDrives, DriveTextsAreNoFolderPaths) {
    const auto table = sampleTable();
    for (const char* yes : {"c: [SYSTEM]", "C: [other]", "d:", "D:", "c:"}) EXPECT_TRUE(table.isDriveText(yes)) << yes;
    for (const char* no : {"c:\\", "c:\\data", "c: [SYSTEM", "e: [x]", "e:"}) EXPECT_FALSE(table.isDriveText(no)) << no;
}

TEST(WindowsDrives, EachDriveKeepsItsCurrentFolder) {
    auto table = sampleTable();
    const auto& d = table.drives();
    EXPECT_EQ(table.currentFolder(d[0]), "c:\\Users\\me");
    EXPECT_EQ(table.currentFolder(d[1]), "d:\\");
    table.setCurrentFolder("D:\\Work\\");
    table.setCurrentFolder("C:\\");
    EXPECT_EQ(table.currentFolder(d[0]), "c:\\");
    EXPECT_EQ(table.currentFolder(d[1]), "d:\\Work");
    EXPECT_EQ(table.currentFolder(d[2]), "z:\\");
}

TEST(WindowsDrives, SystemTableHoldsTheWorkingFolderAndReadsBackEachText) {
    const auto table = DriveTable::system();
    ASSERT_FALSE(table.drives().empty());
    const std::regex shape("[a-z]:( \\[.*\\])?");
    for (const Drive& drive : table.drives()) {
        EXPECT_TRUE(std::regex_match(drive.text(), shape)) << drive.text();
        EXPECT_EQ(table.byText(drive.text()), &drive) << drive.text();
        EXPECT_TRUE(isAbsolute(drive.mountPoint)) << drive.mountPoint;
    }
    const Drive* current = table.driveOf(workingDirectory());
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(table.currentFolder(*current), workingDirectory());
}

}  // namespace
}  // namespace vorrindel::listing
