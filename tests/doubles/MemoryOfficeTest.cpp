#include <gtest/gtest.h>

#include "MemoryOffice.h"

namespace vorrindel::testing {
namespace {

using automation::AutomationError;
using automation::GlobalApp;
using automation::Value;

struct Lookup {
    std::string app;
    std::string opened;
    std::string asked;
    bool found;
};

class ItemByName : public ::testing::TestWithParam<Lookup> {};

TEST_P(ItemByName, MatchesTheFileNameIgnoringCaseAndForPresentationsWithoutExtension) {
    const Lookup& c = GetParam();
    MemoryOffice office;
    office.openByHand(office.start(c.app), c.opened);
    auto app = office.createObject(c.app);
    auto collection = app->getObject(c.app == kPowerPointApplication ? "Presentations" : "Workbooks");
    if (c.found) {
        EXPECT_NO_THROW(collection->get("Item", {Value::text(c.asked)}));
    } else {
        EXPECT_THROW(collection->get("Item", {Value::text(c.asked)}), AutomationError);
    }
}

INSTANTIATE_TEST_SUITE_P(Names, ItemByName,
                         ::testing::Values(Lookup{std::string(kExcelApplication), "Q3.xls", "q3.XLS", true},
                                           Lookup{std::string(kExcelApplication), "q3.xls", "q3", false},
                                           Lookup{std::string(kExcelApplication), "q3.xls", "", false},
                                           Lookup{std::string(kPowerPointApplication), "plan.ppt", "PLAN", true},
                                           Lookup{std::string(kPowerPointApplication), "plan.ppt", "plan.ppt", false}));

TEST(MemoryOffice, GlobalObjectReattachesWhenItsInstanceHasGone) {
    MemoryOffice office;
    auto global = office.globalObject(GlobalApp::Word);
    office.openByHand(office.start(kWordApplication), "a.doc");
    EXPECT_EQ(global->getObject("Documents")->get("Count").asInteger(), 1);
    office.kill("word.application#1");
    office.takeLog();
    EXPECT_EQ(global->getObject("Documents")->get("Count").asInteger(), 0);
    EXPECT_EQ(office.log().at(0), "start word.application#2");
}

TEST(MemoryOffice, AccessGlobalReachesTheInstanceWhereTheLastDatabaseWasOpened) {
    MemoryOffice office;
    auto global = office.globalObject(GlobalApp::Access);
    auto first = office.createObject(kAccessApplication);
    first->call("OpenCurrentDatabase", {Value::text("/one.mdb"), Value::boolean(false)});
    auto second = office.createObject(kAccessApplication);  // no database of its own yet
    global->call("Quit", {Value::integer(1)});
    EXPECT_FALSE(office.isRunning("Access.Application#1"));
    EXPECT_TRUE(office.isRunning("Access.Application#2"));
    // Nothing left to reach: closing and quitting do nothing, anything else fails.
    EXPECT_NO_THROW(global->call("CloseCurrentDatabase"));
    EXPECT_THROW(global->put("Visible", Value::boolean(true)), AutomationError);
    EXPECT_TRUE(office.isRunning("Access.Application#2"));
}

TEST(MemoryOffice, ObjectsOfAnInstanceThatQuitFailAsServerGone) {
    MemoryOffice office;
    auto app = office.createObject(kExcelApplication);
    office.kill("excel.application#1");
    try {
        app->getObject("Workbooks");
        FAIL() << "reached a dead instance";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), automation::errors::kServerGone);
    }
}

TEST(MemoryOffice, InjectedFaultsFailOnceOrAlways) {
    MemoryOffice office;
    auto app = office.createObject(kPowerPointApplication);
    office.failOn(kPowerPointApplication, "Activate", Times::Once);
    office.failOn(kPowerPointApplication, "WindowState", Times::Always);
    EXPECT_THROW(app->call("Activate"), AutomationError);
    EXPECT_NO_THROW(app->call("Activate"));
    for (int i = 0; i < 2; ++i) EXPECT_THROW(app->put("WindowState", Value::integer(3)), AutomationError);
    EXPECT_EQ(office.log().back(), "PowerPoint.Application#1.WindowState put (3) -> failed");
}

TEST(MemoryOffice, ReleaseIsLoggedWhenTheLastReferenceGoes) {
    MemoryOffice office;
    auto app = office.createObject(kExcelApplication);
    auto copy = app;
    app.reset();
    EXPECT_FALSE(office.log().back().starts_with("release"));
    copy.reset();
    EXPECT_EQ(office.log().back(), "release excel.application#1");
    EXPECT_TRUE(office.isRunning("excel.application#1"));
}

}  // namespace
}  // namespace vorrindel::testing
