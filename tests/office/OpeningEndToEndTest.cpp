// The openers' clicks carried out by the real office.

#include <gmock/gmock.h>
#include <signal.h>

#include "AccessSamples.h"
#include "FakePicker.h"
#include "OfficeFixture.h"
#include "opening/OpenRequest.h"

namespace vorrindel::automation::libreoffice::testing {
namespace {

using Picker = vorrindel::testing::FakePicker;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class EndToEndTest : public OfficeTest {
protected:
    void SetUp() override {
        OfficeTest::SetUp();
        picker.dir = samples();
    }
    // One request, within `limit` as the automation thread gives it.
    std::optional<std::string> click(const std::string& type, const std::string& file,
                                     std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        picker.type = type;
        picker.file = file;
        office().beginRequest(Clock::now() + limit);
        auto report = request.File1_Click();
        office().endRequest();
        return report;
    }
    Picker picker;
    opening::OpenRequest request{office(), picker};
};

TEST_F(EndToEndTest, ExcelClicksShowOnlyTheLatestWorkbook) {
    EXPECT_EQ(click("Excel", "alpha.xls"), std::nullopt);
    EXPECT_EQ(click("Excel", "beta.xls"), std::nullopt);
    EXPECT_FALSE(isOpen(sample("alpha.xls")));
    EXPECT_TRUE(isOpen(sample("beta.xls")));
    EXPECT_EQ(picker.shown, 2);
    if (windowsVisible()) {
        EXPECT_TRUE(settlesMaximized(sample("beta.xls"), true));
    }
}

// A request stuck on a stopped office ends at its limit; once the office goes on, the next request
// closes the workbook opened last and opens the new one.
TEST_F(EndToEndTest, StoppedOfficeTimesOutAndTheRequestAfterItWorks) {
    EXPECT_EQ(click("Excel", "alpha.xls"), std::nullopt);
    const int pid = office().officePid();
    ASSERT_GT(pid, 0);
    kill(pid, SIGSTOP);
    const auto report = click("Excel", "beta.xls", std::chrono::milliseconds(1500));
    kill(pid, SIGCONT);
    ASSERT_TRUE(report.has_value());
    EXPECT_NE(report->find("in time"), std::string::npos) << *report;
    EXPECT_EQ(click("Excel", "Gamma.xls"), std::nullopt);
    EXPECT_TRUE(isOpen(sample("Gamma.xls")));
    EXPECT_FALSE(isOpen(sample("beta.xls")));
}

TEST_F(EndToEndTest, ExcelSameWorkbookClickedTwiceIsOpenOnce) {
    click("Excel", "Gamma.xls");
    click("Excel", "Gamma.xls");
    EXPECT_EQ(copiesOpen(sample("Gamma.xls")), 1);
}

TEST_F(EndToEndTest, ExcelTickedKeepsThePreviousWorkbook) {
    click("Excel", "alpha.xls");
    picker.check = 1;
    click("Excel", "beta.xls");
    EXPECT_TRUE(isOpen(sample("alpha.xls")));
    EXPECT_TRUE(isOpen(sample("beta.xls")));
}

TEST_F(EndToEndTest, ExcelUnreadableFileIsReportedAndTheRestOfTheRequestRuns) {
    const auto report = click("Excel", "broken.xls");
    ASSERT_TRUE(report.has_value());
    EXPECT_NE(report->find("broken.xls"), std::string::npos) << *report;
    EXPECT_EQ(openCount(DocKind::Spreadsheet), 0);
    EXPECT_EQ(request.previousFiles().lastWorkbook, "broken.xls");
    EXPECT_EQ(picker.shown, 1);
}

TEST_F(EndToEndTest, ExcelChangedPreviousWorkbookStaysOpenWithItsChanges) {
    click("Excel", "alpha.xls");
    setModified(sample("alpha.xls"), true);
    click("Excel", "beta.xls");
    EXPECT_TRUE(isOpen(sample("alpha.xls")));
    EXPECT_TRUE(isModified(sample("alpha.xls")));
    EXPECT_TRUE(isOpen(sample("beta.xls")));
}

TEST_F(EndToEndTest, WordStartsOnceThenReusesAndClosesThePrevious) {
    EXPECT_EQ(click("Word", "one.doc"), std::nullopt);
    EXPECT_EQ(request.previousFiles().wordStarted, 1);
    if (windowsVisible()) {
        EXPECT_TRUE(settlesMaximized(sample("one.doc"), true));
    }
    EXPECT_EQ(click("Word", "two.doc"), std::nullopt);
    EXPECT_FALSE(isOpen(sample("one.doc")));
    EXPECT_TRUE(isOpen(sample("two.doc")));
}

TEST_F(EndToEndTest, WordWithADocumentOpenedByHandTakesTheReusePath) {
    ASSERT_TRUE(openByHand(sample("three.doc")));
    EXPECT_EQ(click("Word", "one.doc"), std::nullopt);
    EXPECT_EQ(request.previousFiles().wordStarted, 0);
    EXPECT_TRUE(isOpen(sample("three.doc")));
    EXPECT_TRUE(isOpen(sample("one.doc")));
}

TEST_F(EndToEndTest, PowerPointClosesThePreviousPresentationByName) {
    EXPECT_EQ(click("PowerPoint", "deck.ppt"), std::nullopt);
    EXPECT_EQ(click("PowerPoint", "show.ppt"), std::nullopt);
    EXPECT_FALSE(isOpen(sample("deck.ppt")));
    EXPECT_TRUE(isOpen(sample("show.ppt")));
    if (windowsVisible()) {
        EXPECT_TRUE(settlesMaximized(sample("show.ppt"), true));
    }
}

TEST_F(EndToEndTest, PowerPointPreviousClosedByHandDoesNotStopTheNext) {
    EXPECT_EQ(click("PowerPoint", "deck.ppt"), std::nullopt);
    closeAll();
    EXPECT_EQ(click("PowerPoint", "show.ppt"), std::nullopt);
    EXPECT_TRUE(isOpen(sample("show.ppt")));
    EXPECT_EQ(request.previousFiles().lastPresentation, "show");
}

TEST_F(EndToEndTest, PowerPointChangedPreviousPresentationEndsTheRequestWithAReport) {
    click("PowerPoint", "deck.ppt");
    setModified(sample("deck.ppt"), true);
    auto failure = click("PowerPoint", "show.ppt");
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find("unsaved changes"), std::string::npos) << *failure;
    EXPECT_TRUE(isOpen(sample("deck.ppt")));
    EXPECT_FALSE(isOpen(sample("show.ppt")));
}

// The databases are copies, which are checked to be left as they were.
class AccessEndToEndTest : public EndToEndTest {
protected:
    void SetUp() override {
        if (auto why = vorrindel::testing::accessInOfficeMissing(); !why.empty()) GTEST_SKIP() << why;
        EndToEndTest::SetUp();
        picker.dir = copies.folder();
    }
    void TearDown() override { EXPECT_THAT(copies.changed(), IsEmpty()); }
    vorrindel::testing::AccessCopies copies;
};

TEST_F(AccessEndToEndTest, ClicksShowOnlyTheLatestDatabaseUnlessTicked) {
    EXPECT_EQ(click("Access", "Monitor.mdb"), std::nullopt);
    EXPECT_EQ(click("Access", "testodbc.mdb"), std::nullopt);
    EXPECT_THAT(databaseWindows(), ElementsAre(HasSubstr("testodbc.mdb")));
    picker.check = 1;
    EXPECT_EQ(click("Access", "Monitor.mdb"), std::nullopt);
    EXPECT_THAT(databaseWindows(), UnorderedElementsAre(HasSubstr("testodbc.mdb"), HasSubstr("Monitor.mdb")));
    EXPECT_EQ(picker.shown, 3);
    EXPECT_EQ(request.previousFiles().lastDatabase, "Monitor.mdb");
}

TEST_F(AccessEndToEndTest, FileThatIsNoDatabaseIsReportedAndNothingIsLeftOnScreen) {
    vorrindel::testing::writeFile(copies.path("orders.mdb"), "not a database");
    EXPECT_EQ(click("Access", "Monitor.mdb"), std::nullopt);
    const auto report = click("Access", "orders.mdb");
    ASSERT_TRUE(report);
    EXPECT_THAT(*report, HasSubstr("cannot open \"" + copies.path("orders.mdb") + "\": it is not an Access database"));
    // The previous database was closed before the open failed.
    EXPECT_EQ(windowsOpen(), 0);
    EXPECT_EQ(request.previousFiles().lastDatabase, "Monitor.mdb");
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice::testing
