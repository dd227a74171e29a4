#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FakePicker.h"
#include "MemoryOffice.h"
#include "OpenerCalls.h"
#include "opening/OpenRequest.h"

namespace vorrindel::testing {
namespace {

using Log = std::vector<std::string>;

// A path written with "/" as this system writes it.
std::string native(std::string path) {
    std::replace(path.begin(), path.end(), '/', static_cast<char>(std::filesystem::path::preferred_separator));
    return path;
}

std::string omitted(int count) {
    std::string list;
    for (int i = 0; i < count; ++i) list += (i ? ", " : "") + std::string("<omitted>");
    return list;
}

// True when `block` appears in `log` as consecutive lines.
bool hasBlock(const Log& log, const Log& block) {
    return std::search(log.begin(), log.end(), block.begin(), block.end()) != log.end();
}

bool mentions(const Log& log, const std::string& part) {
    return std::any_of(log.begin(), log.end(), [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

std::string lastNameFor(const opening::PreviousFiles& previous, const std::string& type) {
    if (type == "Excel") return previous.lastWorkbook;
    if (type == "Word") return previous.lastDocument;
    if (type == "PowerPoint") return previous.lastPresentation;
    return previous.lastDatabase;
}

// A test name part from any text: letters and digits kept, the rest made underscores.
std::string nameOf(std::string text) {
    std::replace_if(text.begin(), text.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
    return text;
}

bool nothingRemembered(const opening::PreviousFiles& previous) {
    return previous.lastWorkbook.empty() && previous.lastDocument.empty() && previous.lastPresentation.empty() &&
           previous.lastDatabase.empty() && previous.wordStarted == 0;
}

class OpeningTest : public ::testing::Test {
protected:
    MemoryOffice office;
    FakePicker picker;
    opening::OpenRequest request{office, picker};
    std::optional<std::string> outcome;

    OpeningTest() { picker.dir = native("/data"); }

    // One click on `file` with the type and box given; returns what crossed the boundary, less
    // the releases of objects (when a temporary goes is no part of what an opener promises).
    Log click(const std::string& type, const std::string& file, int check = 0) {
        picker.type = type;
        picker.file = file;
        picker.check = check;
        office.takeLog();
        outcome = request.File1_Click();
        released.clear();
        Log crossed;
        for (auto& line : office.takeLog()) (line.starts_with("release ") ? released : crossed).push_back(std::move(line));
        return crossed;
    }
    Log released;  // by the last click

    const opening::PreviousFiles& previous() const { return request.previousFiles(); }
};

// --- The whole sequence of a first open, for each opener --------------------------------------

// The openers' calls, for files in the picker's folder.
const OpenerCalls& callsFor(const std::string& type) {
    static const std::vector<OpenerCalls> table = openerCalls(native("/data"));
    return openerCallsOf(table, type);
}

Log withoutStarts(Log log) {
    std::erase_if(log, [](const std::string& line) { return line.starts_with("start "); });
    return log;
}

std::string firstInstanceOf(const std::string& type) { return applicationOf(type) + "#1"; }

const auto kTypeNames = ::testing::Values("Access", "Excel", "Word", "PowerPoint");

class FirstOpenOfARun : public OpeningTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(FirstOpenOfARun, SendsExactlyTheOpenersSteps) {
    const OpenerCalls& c = callsFor(GetParam());
    EXPECT_EQ(withoutStarts(click(c.type, c.first)), inMemoryOfficeWords(c, c.firstOpen));
    EXPECT_EQ(outcome, std::nullopt);
    EXPECT_EQ(picker.shown, 1);
    // The file is open in a shown application, and the application created for the request is
    // let go by its end.
    const std::string instance = firstInstanceOf(c.type);
    if (c.type == "Access") {
        EXPECT_EQ(office.currentDatabase(instance), native("/data/" + c.first));
    } else {
        EXPECT_EQ(office.documents(instance), Log{c.first});
    }
    EXPECT_TRUE(office.isVisible(instance));
    EXPECT_TRUE(mentions(released, instance));
}

INSTANTIATE_TEST_SUITE_P(Openers, FirstOpenOfARun, kTypeNames, [](const auto& info) { return info.param; });

// --- Closing the previous file, or keeping it ------------------------------------------------

class PreviousFile : public OpeningTest, public ::testing::WithParamInterface<std::tuple<std::string, int>> {};

TEST_P(PreviousFile, IsClosedOnlyWhenTheBoxIsUnticked) {
    const auto& [type, check] = GetParam();
    const OpenerCalls& c = callsFor(type);
    click(c.type, c.first);
    const Log log = click(c.type, c.second, check);

    EXPECT_EQ(outcome, std::nullopt);
    EXPECT_EQ(hasBlock(log, inMemoryOfficeWords(c, c.closeFirst)), check == 0) << ::testing::PrintToString(log);
    if (check != 0) {
        EXPECT_FALSE(mentions(log, "Close") || mentions(log, "Quit"));
    }
    const std::string instance = firstInstanceOf(c.type);
    if (c.type == "Access") {
        EXPECT_EQ(office.isRunning(instance), check != 0);
    } else {
        const Log docs = office.documents(instance);
        EXPECT_EQ(std::count(docs.begin(), docs.end(), c.first), check == 0 ? 0 : 1);
    }
    // The memory follows the latest file either way.
    EXPECT_EQ(lastNameFor(previous(), c.type), c.type == "PowerPoint" ? c.second.substr(0, c.second.size() - 4) : c.second);
}

INSTANTIATE_TEST_SUITE_P(Openers, PreviousFile, ::testing::Combine(kTypeNames, ::testing::Values(0, 1, 2)),
                         [](const auto& info) {
                             return std::get<0>(info.param) + "_Check" + std::to_string(std::get<1>(info.param));
                         });

struct Reopen {
    std::string type;
    std::string file;
    std::string instance;
};

class SameFileTwice : public OpeningTest, public ::testing::WithParamInterface<Reopen> {};

TEST_P(SameFileTwice, IsClosedByNameAndOpenedAgain) {
    const Reopen& c = GetParam();
    click(c.type, c.file);
    const Log log = click(c.type, c.file);
    const auto firstWith = [&](const std::string& part) {
        return std::find_if(log.begin(), log.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
    };
    EXPECT_NE(firstWith(".Open method"), log.end());
    EXPECT_LT(firstWith("].Close method"), firstWith(".Open method"));
    EXPECT_EQ(office.documents(c.instance), Log{c.file});
}

INSTANTIATE_TEST_SUITE_P(Openers, SameFileTwice,
                         ::testing::Values(Reopen{"Excel", "a.xls", "excel.application#1"},
                                           Reopen{"Word", "a.doc", "word.application#1"},
                                           Reopen{"PowerPoint", "plan.ppt", "PowerPoint.Application#1"}),
                         [](const auto& info) { return info.param.type; });

TEST_F(OpeningTest, PowerPointRemembersTheNameLessItsLastFourCharacters) {
    for (const auto& [file, remembered] : std::vector<std::pair<std::string, std::string>>{
             {"plan.ppt", "plan"}, {"Q3 Review.PPT", "Q3 Review"}, {"a.b.ppt", "a.b"}, {"x.ppt", "x"}}) {
        click("PowerPoint", file, 1);
        EXPECT_EQ(previous().lastPresentation, remembered) << file;
    }
}

TEST_F(OpeningTest, PresentationClosedByHandLeavesNothingToCloseAndTheOpenGoesAhead) {
    click("PowerPoint", "old.ppt");
    office.closeByHand("PowerPoint.Application#1", "old.ppt");
    click("PowerPoint", "plan.ppt");
    EXPECT_EQ(outcome, std::nullopt);
    EXPECT_EQ(previous().lastPresentation, "plan");
    click("PowerPoint", "next.ppt");  // and the one after closes the presentation opened last
    EXPECT_EQ(office.documents("PowerPoint.Application#1"), Log{"next.ppt"});
}

// --- Word: starting Word or reusing the one the global object reaches --------------------------

TEST_F(OpeningTest, WordReusePathClosesOpensShowsAndActivatesButKeepsTheWindowState) {
    click("Word", "a.doc");
    EXPECT_EQ(previous().wordStarted, 1);
    EXPECT_EQ(click("Word", "b.doc"),
              (Log{"global(Word)->word.application#1.Documents get ()",
                   "word.application#1.Documents.Count get ()",
                   "global(Word)->word.application#1.Documents get ()",
                   "word.application#1.Documents.Item get (\"a.doc\")",
                   "word.application#1[a.doc].Close method (" + omitted(3) + ")",
                   "global(Word)->word.application#1.Documents get ()",
                   "word.application#1.Documents.Open method (\"" + native("/data/b.doc") + "\", " + omitted(9) + ")",
                   "global(Word)->word.application#1.Application get ()",
                   "word.application#1.Visible put (true(-1))",
                   "global(Word)->word.application#1.Application get ()",
                   "word.application#1.Activate method ()"}));
    EXPECT_EQ(outcome, std::nullopt);
    EXPECT_EQ(picker.shown, 2);
}

TEST_F(OpeningTest, WordAlreadyHoldingDocumentsIsReusedAtTheFirstRequest) {
    const std::string word = office.start(kWordApplication);
    office.openByHand(word, "notes.doc");
    const Log log = click("Word", "a.doc");
    EXPECT_TRUE(mentions(log, "word.application#1.Documents.Item get (\"\") -> failed"));
    EXPECT_FALSE(mentions(log, "create") || mentions(log, "WindowState"));
    EXPECT_EQ(outcome, std::nullopt);
    EXPECT_EQ(previous().wordStarted, 0);
    EXPECT_EQ(office.documents(word), (Log{"notes.doc", "a.doc"}));
}

TEST_F(OpeningTest, WordOnceStartedIsNeverStartedAgainEvenWithNoDocumentOpen) {
    click("Word", "a.doc");
    office.kill("word.application#1");  // the user quit Word
    const Log log = click("Word", "b.doc");
    EXPECT_FALSE(mentions(log, "create"));
    EXPECT_TRUE(mentions(log, "word.application#2.Activate method ()"));
    EXPECT_EQ(office.documents("word.application#2"), Log{"b.doc"});
    EXPECT_EQ(previous().wordStarted, 1);
}

// --- Access: the global object reaches the Access opened last -----------------------------------

TEST_F(OpeningTest, EveryLaterAccessOpenClosesAndQuitsTheAccessOpenedLast) {
    for (int n = 1; n <= 4; ++n) {
        const Log log = click("Access", "db" + std::to_string(n) + ".mdb");
        ASSERT_EQ(outcome, std::nullopt) << "open " << n;
        if (n > 1) {
            const std::string previousAccess = "Access.Application#" + std::to_string(n - 1);
            EXPECT_TRUE(hasBlock(log, {"global(Access)->" + previousAccess + ".CloseCurrentDatabase method ()",
                                       "global(Access)->" + previousAccess + ".Quit method (1)"}))
                << ::testing::PrintToString(log);
        }
        EXPECT_EQ(office.runningInstances(kAccessApplication), Log{"Access.Application#" + std::to_string(n)});
    }
}

TEST_F(OpeningTest, AccessQuitByTheUserLeavesNothingToCloseAndTheOpenGoesAhead) {
    click("Access", "one.mdb");
    office.kill("Access.Application#1");
    const Log log = click("Access", "two.mdb");
    EXPECT_TRUE(hasBlock(log, {"global(Access)->nothing.CloseCurrentDatabase method ()",
                               "global(Access)->nothing.Quit method (1)"}));
    EXPECT_EQ(outcome, std::nullopt);
    EXPECT_EQ(office.currentDatabase("Access.Application#2"), native("/data/two.mdb"));
}

// --- Failures -------------------------------------------------------------------------------------

struct CreationFailure {
    std::string type;
    std::string name;
    std::string file;
};

class CreationFails : public OpeningTest, public ::testing::WithParamInterface<CreationFailure> {};

TEST_P(CreationFails, IsReportedAsOneLineAndTheNextRequestWorks) {
    const CreationFailure& c = GetParam();
    office.failCreation(c.name, Times::Once);
    click(c.type, c.file);
    EXPECT_EQ(outcome, c.type + ": cannot create \"" + c.name + "\": not installed");
    EXPECT_EQ(picker.shown, 0);
    EXPECT_TRUE(nothingRemembered(previous()));

    click(c.type, c.file);
    EXPECT_EQ(outcome, std::nullopt);
    EXPECT_EQ(picker.shown, 1);
    EXPECT_EQ(lastNameFor(previous(), c.type).empty(), false);
}

INSTANTIATE_TEST_SUITE_P(Openers, CreationFails,
                         ::testing::Values(CreationFailure{"Excel", std::string(kExcelApplication), "a.xls"},
                                           CreationFailure{"Word", std::string(kWordApplication), "a.doc"},
                                           CreationFailure{"PowerPoint", std::string(kPowerPointApplication), "plan.ppt"},
                                           CreationFailure{"Access", std::string(kAccessApplication), "db.mdb"}),
                         [](const auto& info) { return info.param.type; });

TEST_F(OpeningTest, NoOfficeAtAllIsReportedOnOneLineWithoutRepeatingTheCause) {
    automation::NoOffice none("no office suite\nwas built in");
    opening::OpenRequest bare(none, picker);
    picker.type = "Excel";
    picker.file = "a.xls";
    EXPECT_EQ(bare.File1_Click(), "Excel: cannot create \"excel.application\": no office suite was built in");
}

// Openers without resume-next: the first failing step ends the request, nothing after it is sent.
struct StoppingFailure {
    std::string type;
    std::string kind;
    std::string member;
    bool afterAnOpen;  // the failing step closes a previous file
    std::string report;
};

class FailingStep : public OpeningTest, public ::testing::WithParamInterface<StoppingFailure> {};

TEST_P(FailingStep, EndsTheRequestWithNothingSentAfterIt) {
    const StoppingFailure& c = GetParam();
    const std::string file = c.type == "Access" ? "db.mdb" : c.type == "Word" ? "a.doc" : "plan.ppt";
    if (c.afterAnOpen) click(c.type, "old" + file.substr(file.size() - 4));
    picker.shown = 0;
    office.failOn(c.kind, c.member);

    const Log log = click(c.type, file);
    EXPECT_EQ(outcome, c.type + ": " + c.report + ": injected failure of " + c.member);
    const auto failed = std::find_if(log.begin(), log.end(), [](const std::string& l) { return l.ends_with(" -> failed"); });
    ASSERT_NE(failed, log.end());
    EXPECT_EQ(failed + 1, log.end()) << ::testing::PrintToString(log);
    EXPECT_EQ(picker.shown, 0);

    click(c.type, file);  // the fault was for one call only
    EXPECT_EQ(outcome, std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Openers, FailingStep,
    ::testing::Values(
        StoppingFailure{"PowerPoint", std::string(kPowerPointApplication), "Visible", false, "cannot show the application"},
        StoppingFailure{"PowerPoint", std::string(kPowerPointApplication), "Activate", false, "cannot activate the application"},
        StoppingFailure{"PowerPoint", "Presentations", "Item", true, "cannot close \"old\""},
        StoppingFailure{"PowerPoint", "Presentation", "Close", true, "cannot close \"old\""},
        StoppingFailure{"PowerPoint", "Presentations", "Open", false, "cannot open \"" + native("/data/plan.ppt") + "\""},
        StoppingFailure{"PowerPoint", std::string(kPowerPointApplication), "WindowState", false, "cannot maximise the application"},
        StoppingFailure{"Access", std::string(kAccessApplication), "Visible", false, "cannot show the application"},
        StoppingFailure{"Access", "global(Access)", "CloseCurrentDatabase", true, "cannot close the previous database"},
        StoppingFailure{"Access", "global(Access)", "Quit", true, "cannot quit the previous Access"},
        StoppingFailure{"Access", std::string(kAccessApplication), "OpenCurrentDatabase", false, "cannot open \"" + native("/data/db.mdb") + "\""},
        StoppingFailure{"Word", "global(Word)", "Documents", false, "cannot count the open documents"},
        StoppingFailure{"Word", std::string(kWordApplication), "Visible", false, "cannot show the application"}),
    [](const auto& info) { return nameOf(info.param.type + "_" + info.param.kind + "_" + info.param.member); });

TEST_F(OpeningTest, WordNotShownOnTheStartingPathIsNotCountedAsStarted) {
    office.failOn(kWordApplication, "Visible");
    click("Word", "a.doc");
    EXPECT_EQ(previous().wordStarted, 0);
}

// Resume-next openers: a failing step is passed over and the rest of the request still runs.
struct SkippedFailure {
    std::string type;
    std::string kind;
    std::string member;
    std::string stillSent;
};

class SkippedStep : public OpeningTest, public ::testing::WithParamInterface<SkippedFailure> {};

TEST_P(SkippedStep, IsPassedOverSilently) {
    const SkippedFailure& c = GetParam();
    const std::string extension = c.type == "Excel" ? ".xls" : ".doc";
    click(c.type, "old" + extension);
    office.failOn(c.kind, c.member);

    const Log log = click(c.type, "new" + extension);
    EXPECT_EQ(outcome, std::nullopt);
    EXPECT_EQ(picker.shown, 2);
    EXPECT_TRUE(mentions(log, c.stillSent)) << ::testing::PrintToString(log);
    EXPECT_EQ(lastNameFor(previous(), c.type), "new" + extension);
}

INSTANTIATE_TEST_SUITE_P(
    Openers, SkippedStep,
    ::testing::Values(
        // The first failing operation abandons the whole close chain, not the open after it.
        SkippedFailure{"Excel", "global(Excel)", "Application", "Workbooks.Open method (\"" + native("/data/new.xls")},
        SkippedFailure{"Excel", "Workbook", "Close", "Workbooks.Open method (\"" + native("/data/new.xls")},
        SkippedFailure{"Excel", std::string(kExcelApplication), "Visible", "WindowState put (-4137) @1033"},
        SkippedFailure{"Word", "Document", "Close", "Documents.Open method (\"" + native("/data/new.doc") + "\""},
        SkippedFailure{"Word", std::string(kWordApplication), "Visible", "word.application#1.Activate method ()"}),
    [](const auto& info) { return nameOf(info.param.type + "_" + info.param.kind + "_" + info.param.member); });

TEST_F(OpeningTest, ExcelCloseChainStopsAtItsFirstFailure) {
    click("Excel", "old.xls");
    office.failOn("global(Excel)", "Application");
    const Log log = click("Excel", "new.xls");
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.ends_with("Workbooks get ()"); }), 1);
    EXPECT_FALSE(mentions(log, "Item get"));
}

// An open that fails is passed over like any resume-next step, but the user hears of it.
struct FailedOpen {
    std::string type;
    std::string collection;
    bool reusePath;  // Word: a Word that holds documents already
};

class OpenThatFails : public OpeningTest, public ::testing::WithParamInterface<FailedOpen> {};

TEST_P(OpenThatFails, IsReportedNamingTheFileAndTheRestStillRuns) {
    const FailedOpen& c = GetParam();
    const std::string file = c.type == "Excel" ? "bad.xls" : "bad.doc";
    if (c.reusePath) office.openByHand(office.start(kWordApplication), "other.doc");
    office.failOn(c.collection, "Open");
    const Log log = click(c.type, file);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_THAT(*outcome, ::testing::StartsWith(c.type + ": cannot open \"" + native("/data/" + file) + "\""));
    EXPECT_THAT(*outcome, ::testing::HasSubstr("injected failure of Open"));
    EXPECT_EQ(lastNameFor(previous(), c.type), file);
    EXPECT_EQ(picker.shown, 1);
    EXPECT_EQ(mentions(log, "WindowState put"), !c.reusePath);
    if (c.type == "Excel") {
        EXPECT_FALSE(mentions(log, "Visible"));  // no workbook, so nothing to show
    }
}

INSTANTIATE_TEST_SUITE_P(Openers, OpenThatFails,
                         ::testing::Values(FailedOpen{"Excel", "Workbooks", false},
                                           FailedOpen{"Word", "Documents", false},
                                           FailedOpen{"Word", "Documents", true}),
                         [](const auto& info) { return info.param.type + (info.param.reusePath ? "_reused" : ""); });

// A step that ran out of time is passed over like any other, and the report says so.
TEST_F(OpeningTest, TimeOutInAPassedOverStepIsReported) {
    click("Excel", "old.xls");
    office.failOn("Workbook", "Close", Times::Once, automation::errors::kTimeout);
    click("Excel", "new.xls");
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(*outcome, "Excel: injected failure of Close");
    EXPECT_EQ(previous().lastWorkbook, "new.xls");
}

// --- Routing --------------------------------------------------------------------------------------

class TypeText : public OpeningTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(TypeText, MatchingNoTypeExactlyDoesNothing) {
    EXPECT_EQ(click(GetParam(), "a.xls"), Log{});
    EXPECT_EQ(outcome, std::nullopt);
    EXPECT_EQ(picker.shown, 0);
    EXPECT_TRUE(nothingRemembered(previous()));
}

INSTANTIATE_TEST_SUITE_P(Routing, TypeText,
                         ::testing::Values("", "excel", "EXCEL", " Excel", "Excel ", "Powerpoint", "word", "ACCESS"));

class FolderOfTheFile : public OpeningTest, public ::testing::WithParamInterface<std::pair<std::string, std::string>> {};

TEST_P(FolderOfTheFile, IsJoinedWithOneSeparator) {
    picker.dir = native(GetParam().first);
    click("Access", "db.mdb");
    EXPECT_EQ(office.currentDatabase("Access.Application#1"), native(GetParam().second));
}

INSTANTIATE_TEST_SUITE_P(Routing, FolderOfTheFile,
                         ::testing::Values(std::pair<std::string, std::string>{"/", "/db.mdb"},
                                           std::pair<std::string, std::string>{"/data", "/data/db.mdb"},
                                           std::pair<std::string, std::string>{"/data/", "/data/db.mdb"},
                                           std::pair<std::string, std::string>{"/home/a b/x", "/home/a b/x/db.mdb"}));

}  // namespace
}  // namespace vorrindel::testing
