// The openers end to end through COM: a click on a file reaches the test office as the openers'
// calls, typed as the Office applications expect them.

#include <algorithm>
#include <cctype>

#include "ComFixture.h"
#include "FakePicker.h"
#include "opening/OpenRequest.h"

namespace vorrindel::testing {
namespace {

using Log = std::vector<std::string>;

class ComOpening : public ComFixture {
protected:
    FakePicker picker;
    std::optional<opening::OpenRequest> request{std::in_place, *backend, picker};
    std::optional<std::string> outcome;

    ~ComOpening() override { request.reset(); }  // the global objects go before the backend

    Log click(const std::string& type, const std::string& file, int check = 0) {
        // Every Access request creates an Access of its own; the others attach to the one running.
        std::string app = type;
        std::transform(app.begin(), app.end(), app.begin(), [](unsigned char c) { return std::tolower(c); });
        if (app == "access" || office::runningInstances(app) == 0) start(app);
        picker.type = type;
        picker.dir = folder.path();
        picker.file = file;
        picker.check = check;
        log.take();
        outcome = request->File1_Click();
        return log.take();
    }
};

std::string omitted(int count) {
    std::string list;
    for (int i = 0; i < count; ++i) list += (i ? ", " : "") + std::string("<omitted>");
    return list;
}

struct Opening {
    std::string type;
    std::string first;
    std::string second;
    Log firstOpen;     // what the first click sends; "@" stands for the folder
    Log closeFirst;    // what the second click sends to close the first file
    std::string left;  // what still runs of that application afterwards, as "<app> <count>"
};

Log inFolder(Log lines, const std::string& folder) {
    for (std::string& line : lines)
        if (const auto at = line.find('@'); at != std::string::npos && line[at + 1] == '\\')
            line.replace(at, 1, folder);
    return lines;
}

bool hasBlock(const Log& log, const Log& block) {
    return std::search(log.begin(), log.end(), block.begin(), block.end()) != log.end();
}

class OpenersThroughCom : public ComOpening, public ::testing::WithParamInterface<Opening> {};

TEST_P(OpenersThroughCom, FirstOpenThenTheNextClosesThePrevious) {
    const Opening& c = GetParam();
    folder.file(c.first);
    folder.file(c.second);
    EXPECT_EQ(click(c.type, c.first), inFolder(c.firstOpen, folder.path()));
    EXPECT_EQ(outcome, std::nullopt);

    const Log second = click(c.type, c.second);
    EXPECT_TRUE(hasBlock(second, inFolder(c.closeFirst, folder.path()))) << ::testing::PrintToString(second);
    EXPECT_EQ(outcome, std::nullopt);
    EXPECT_EQ(picker.shown, 2);
    const auto space = c.left.find(' ');
    EXPECT_EQ(office::runningInstances(c.left.substr(0, space)), std::stoi(c.left.substr(space + 1)));
}

INSTANTIATE_TEST_SUITE_P(
    Com, OpenersThroughCom,
    ::testing::Values(
        Opening{"Excel", "a.xls", "b.xls",
                {"excel#1 create",
                 // The global object attaches to the running instance.
                 "excel#1 Application.Application method|get () @1024",
                 "excel#1 Application.Workbooks method|get () @1024",
                 "excel#1 Workbooks.Item method|get (\"\") @1024 -> 0x8002000B",
                 "excel#1 Application.Application method|get () @1024",
                 "excel#1 Application.Workbooks method|get () @1024",
                 "excel#1 Workbooks.Open method (\"@\\a.xls\", <omitted>, bool(0), " + omitted(10) + ") @1033",
                 "excel#1 Workbook[a.xls].Application method|get () @1024",
                 "excel#1 Application.Visible put (bool(-1)) @1033",
                 "excel#1 Application.WindowState put (i4(-4137)) @1033"},
                {"excel#1 Workbooks.Item method|get (\"a.xls\") @1024",
                 "excel#1 Workbook[a.xls].Close method (" + omitted(3) + ") @1033"},
                "excel 1"},
        Opening{"Word", "a.doc", "b.doc",
                {"word#1 Application.Documents method|get () @1024",
                 "word#1 Documents.Count method|get () @1024",
                 "word#1 create",
                 "word#1 Application.Visible put (bool(-1)) @1024",
                 "word#1 Application.Documents method|get () @1024",
                 "word#1 Documents.Open method (\"@\\a.doc\", " + omitted(9) + ") @1024",
                 "word#1 Application.WindowState put (i4(1)) @1024"},
                {"word#1 Documents.Item method|get (\"a.doc\") @1024",
                 "word#1 Document[a.doc].Close method (" + omitted(3) + ") @1024"},
                "word 1"},
        Opening{"PowerPoint", "plan.ppt", "deck.ppt",
                {"powerpoint#1 create",
                 "powerpoint#1 Application.Visible put (i4(1)) @1024",
                 "powerpoint#1 Application.Activate method () @1024",
                 "powerpoint#1 Application.Presentations method|get () @1024",
                 "powerpoint#1 Presentations.Open method (\"@\\plan.ppt\", bool(0), bool(0), bool(-1)) @1024",
                 "powerpoint#1 Application.WindowState put (i4(3)) @1024"},
                {"powerpoint#1 Presentations.Item method|get (\"plan\") @1024",
                 "powerpoint#1 Presentation[plan.ppt].Close method () @1024"},
                "powerpoint 1"},
        // Every Access request starts an Access; the global object closes and quits the one
        // holding the database opened last.
        Opening{"Access", "one.mdb", "two.mdb",
                {"access#1 create",
                 "access#1 Application.Visible put (bool(-1)) @1024",
                 "access#1 Application.OpenCurrentDatabase method (\"@\\one.mdb\", bool(0)) @1024"},
                {"access#2 Application.Visible put (bool(-1)) @1024",
                 "access#1 Application.CloseCurrentDatabase method () @1024",
                 "access#1 Application.Quit method (i4(1)) @1024",
                 "access#2 Application.OpenCurrentDatabase method (\"@\\two.mdb\", bool(0)) @1024"},
                "access 1"}),
    [](const auto& info) { return info.param.type; });

TEST_F(ComOpening, TheOfficesOwnWordsForAFileItCannotOpenReachTheReport) {
    const std::string path = folder.file("broken.ppt");
    click("PowerPoint", "broken.ppt");
    EXPECT_EQ(outcome, "PowerPoint: cannot open \"" + path + "\": The file '" + path + "' is damaged and cannot be opened.");
}

}  // namespace
}  // namespace vorrindel::testing
