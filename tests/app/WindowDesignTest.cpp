// The window's design holds together whatever its numbers: both front ends are laid out from it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/WindowDesign.h"

using namespace vorrindel::app::design;

TEST(WindowDesign, EveryControlStandsInsideTheClientAreaWithoutOverlapping) {
    for (const auto& c : kControls) {
        SCOPED_TRACE(static_cast<int>(c.name));
        EXPECT_GT(c.place.left, 0);
        EXPECT_GT(c.place.top, 0);
        EXPECT_GT(c.place.width, 0);
        EXPECT_GT(c.place.height, 0);
        EXPECT_LE(c.place.right(), kClientWidth);
        EXPECT_LT(c.place.top, kClientHeight);
        // The notice line's box is taller than its one line of text and may run past the bottom.
        if (c.name != ControlName::Label1) {
            EXPECT_LE(c.place.bottom(), kClientHeight);
        }
    }
    // Stacked top to bottom in the order listed.
    for (size_t i = 1; i < kControls.size(); ++i) EXPECT_LE(kControls[i - 1].place.bottom(), kControls[i].place.top);
}

// At 96 dots per inch every edge falls on a whole pixel, so no front end rounds a place.
TEST(WindowDesign, EveryEdgeIsAWholePixelAtNinetySixDotsPerInch) {
    for (int twips : {kClientWidth, kClientHeight}) EXPECT_EQ(toPixels(twips, 96) * 1440, twips * 96);
    for (const auto& c : kControls)
        for (int twips : {c.place.left, c.place.top, c.place.width, c.place.height})
            EXPECT_EQ(toPixels(twips, 96) * 1440, twips * 96) << twips;
    EXPECT_EQ(toPixels(7, 96), 0);  // under half a pixel
    EXPECT_EQ(toPixels(8, 96), 1);  // half a pixel and more
    EXPECT_EQ(toPixels(1440, 144), 144);
}

TEST(WindowDesign, TabGoesOnceThroughEveryControlThatTakesTheFocusFromTheDriveList) {
    std::set<int> indexes;
    for (const auto& c : kControls) indexes.insert(c.tabIndex);
    EXPECT_EQ(indexes.size(), kControls.size()) << "two controls share a tab index";

    const auto order = focusOrder();
    EXPECT_EQ(firstFocus(), ControlName::Drive1);
    EXPECT_EQ(order.back(), ControlName::Combo1);  // at the top, yet last
    EXPECT_EQ(std::set<ControlName>(order.begin(), order.end()).size(), order.size());
    for (const auto& c : kControls)
        EXPECT_EQ(std::count(order.begin(), order.end(), c.name), c.takesFocus ? 1 : 0) << static_cast<int>(c.name);
    EXPECT_EQ(inTabOrder().back().name, ControlName::Label1);
}

// The way down is open up to the selected folder, and stays one row in sight above it.
TEST(FolderListDesign, OpenUpToTheSelectedFolderWhichHasTheWayUpAboveIt) {
    const struct {
        int selected, top;
        std::vector<bool> open;  // rows 0 to 3
    } cases[] = {
        {-1, 0, {false, false, false, false}},
        {0, 0, {true, false, false, false}},
        {1, 0, {true, true, false, false}},
        {3, 2, {true, true, true, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selected);
        EXPECT_EQ(folders::topRow(c.selected), c.top);
        std::vector<bool> open;
        for (int row = 0; row < 4; ++row) open.push_back(folders::showsOpen(row, c.selected));
        EXPECT_EQ(open, c.open);
    }
}
