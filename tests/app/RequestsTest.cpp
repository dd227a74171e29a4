// A click, or a move with the keyboard, on a file is one open request; nothing else is. Requests
// run on the automation thread with the picker as it was at the click.

#include "PickerFixture.h"

#include <chrono>
#include <thread>

using namespace vorrindel::app;
using namespace vorrindel::app::testing;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class RequestsTest : public PickerFixture {
protected:
    Form1& openExcelWithFiles() {
        for (const char* n : {"a.xls", "b.xls", "c.xls"}) make(std::string("a/start/") + n);
        writeIni("[Type]\nType=Excel\n");
        Form1& f = open();
        listedFiles();
        return f;
    }
};

TEST_F(RequestsTest, EachMouseClickIsOneRequestEvenOnTheSelectedFile) {
    Form1& f = openExcelWithFiles();
    f.File1.userClick(1);
    EXPECT_EQ(f.File1.fileName(), "b.xls");
    EXPECT_EQ(window_.file.selected, 1);
    f.File1.userClick(1);
    settle();
    EXPECT_THAT(opened(), ElementsAre(path("a/start/b.xls"), path("a/start/b.xls")));
    EXPECT_EQ(window_.broughtToFront, 2);
    EXPECT_EQ(f.notice(), "");
}

struct Moves {
    const char* name;
    std::vector<Move> moves;
    std::vector<const char*> opened;  // one request per move that selected another file
};

class KeyboardMoves : public RequestsTest, public ::testing::WithParamInterface<Moves> {};

TEST_P(KeyboardMoves, EachMoveToAnotherFileIsOneRequest) {
    Form1& f = openExcelWithFiles();
    for (Move m : GetParam().moves) f.File1.userMove(m, 2);
    settle();
    std::vector<std::string> expected;
    for (const char* name : GetParam().opened) expected.push_back(path(std::string("a/start/") + name));
    EXPECT_EQ(opened(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyboardMoves,
    ::testing::Values(
        // Nothing selected yet: the first move selects the first file, not the one after it.
        Moves{"first_down", {Move::Down}, {"a.xls"}},
        Moves{"first_up", {Move::Up}, {"a.xls"}},
        Moves{"first_end", {Move::End}, {"c.xls"}},
        Moves{"down_past_the_end", {Move::Down, Move::Down, Move::Down, Move::Down}, {"a.xls", "b.xls", "c.xls"}},
        Moves{"up_at_the_top", {Move::Home, Move::Up}, {"a.xls"}},
        Moves{"page_down_then_page_up", {Move::Down, Move::PageDown, Move::PageDown, Move::PageUp},
              {"a.xls", "b.xls", "c.xls", "b.xls"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RequestsTest, RelistingNeverRaisesAClickAndClearsTheSelection) {
    Form1& f = openExcelWithFiles();
    f.File1.userClick(0);
    f.File1.refresh();
    f.File1.setPattern("*.xls");
    f.File1.setPath(path("b"));
    listedFiles();
    settle();
    EXPECT_EQ(opened().size(), 1u);
    EXPECT_EQ(f.File1.fileName(), "");
    EXPECT_EQ(window_.file.selected, -1);
}

TEST_F(RequestsTest, FailedRequestIsReportedOnTheNoticeLineAndTheNextClickStillWorks) {
    Form1& f = openExcelWithFiles();
    office_.failCreation("excel.application", vorrindel::testing::Times::Once);
    f.File1.userClick(0);
    settle();
    EXPECT_THAT(f.notice(), HasSubstr("Excel"));
    EXPECT_THAT(logged_, ::testing::Contains(f.notice()));
    EXPECT_FALSE(window_.busy);
    f.File1.userClick(2);
    settle();
    EXPECT_THAT(opened(), ElementsAre(path("a/start/c.xls")));
}

// From the click to its end the notice line says what is under way and the pointer is busy.
TEST_F(RequestsTest, NoticeLineShowsTheRequestUnderWayWhatIsQueuedAndThenTheOutcome) {
    Form1& f = openExcelWithFiles();
    office_.stick();
    f.File1.userClick(0);
    EXPECT_TRUE(window_.busy);
    f.File1.userClick(1);
    EXPECT_EQ(window_.label.text, "Waiting for the office\u2026 (1 more queued)");
    for (int i = 0; i < 500 && !window_.label.text.starts_with("Opening"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        window_.flush();
    }
    EXPECT_EQ(window_.label.text, "Opening a.xls in Excel\u2026 (1 more queued)");
    office_.unstick();
    settle();
    EXPECT_EQ(window_.label.text, "b.xls opened in Excel");
    EXPECT_FALSE(window_.busy);
    EXPECT_EQ(f.notice(), "");
}

TEST_F(RequestsTest, ChoosingATypeGetsItsApplicationReadyBeforeAnyClick) {
    Form1& f = openExcelWithFiles();  // the saved type is chosen at start-up
    f.Combo1.userChose(2);            // Word
    settle();
    EXPECT_THAT(office_.prepared(), ElementsAre("excel.application", "word.application"));
    EXPECT_TRUE(office_.log().empty());  // nothing was created or shown for it
    EXPECT_FALSE(window_.busy);
}

TEST_F(RequestsTest, FileTheOfficeCannotOpenIsReportedNamingIt) {
    Form1& f = openExcelWithFiles();
    office_.failOn("Workbooks", "Open");
    f.File1.userClick(1);
    settle();
    EXPECT_THAT(f.notice(), HasSubstr("b.xls"));
    EXPECT_EQ(window_.broughtToFront, 1);  // the request still went to its end
}

TEST_F(RequestsTest, WithNoTypeSelectedAClickOpensNothing) {
    make("a/start/a.xls");
    Form1& f = open();
    listedFiles();
    f.File1.userClick(0);
    settle();
    EXPECT_EQ(f.File1.fileName(), "a.xls");
    EXPECT_TRUE(office_.log().empty());
    EXPECT_EQ(f.notice(), "");
}

// The request takes the picker as it was at the click, whatever the user does next.
TEST_F(RequestsTest, ChangesAfterAClickDoNotReachTheRequestMadeBeforeThem) {
    Form1& f = openExcelWithFiles();
    make("b/z.xls");
    f.File1.userClick(0);
    f.Check1.userToggle();
    f.Drive1.userChose(2);
    settle();
    EXPECT_THAT(opened(), ElementsAre(path("a/start/a.xls")));
    EXPECT_EQ(f.Dir1.path(), path("b"));
}

TEST_F(RequestsTest, LoadsheetOpensTheSelectedFileAsAWorkbookWhateverTheType) {
    make("a/start/w.xls");
    writeIni("[Type]\nType=Word\n");
    Form1& f = open();
    f.File1.setPattern("*.xls");
    listedFiles();
    f.File1.userClick(0);  // a Word request
    f.loadsheet();
    settle();
    EXPECT_THAT(created(), ElementsAre("word.application", "excel.application"));
}
