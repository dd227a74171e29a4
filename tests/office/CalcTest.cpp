// Workbooks through the calls the Excel opener makes: the global object's Application and
// Workbooks, Item by name, Open, Close, and the created application's window.

#include "OfficeFixture.h"

namespace vorrindel::automation::libreoffice::testing {
namespace {

constexpr int kLocale = kLocaleUsEnglish;

class CalcTest : public OfficeTest {
protected:
    ObjectRef workbooks() { return office().globalObject(GlobalApp::Excel)->getObject("Application")->getObject("Workbooks"); }
    ObjectRef open(const std::string& path) {
        return workbooks()->call("Open", excelOpenArgs(path), kLocale).asObject();
    }
    void closeByName(const std::string& name) {
        workbooks()->getObject("Item", {Value::text(name)})->call("Close", omitted(3), kLocale);
    }
};

TEST_F(CalcTest, OpenLoadsTheWorkbookOnceAndReturnsIt) {
    auto workbook = open(sample("alpha.xls"));
    ASSERT_TRUE(workbook);
    EXPECT_TRUE(isOpen(sample("alpha.xls")));
    EXPECT_EQ(openCount(DocKind::Spreadsheet), 1);
    // The workbook returned is the one loaded: closing it closes alpha.xls.
    workbook->call("Close", omitted(3), kLocale);
    EXPECT_FALSE(isOpen(sample("alpha.xls")));
}

TEST_F(CalcTest, PreviousWorkbookIsClosedByNameBeforeTheNextOpens) {
    open(sample("alpha.xls"));
    closeByName("alpha.xls");
    open(sample("beta.xls"));
    EXPECT_FALSE(isOpen(sample("alpha.xls")));
    EXPECT_TRUE(isOpen(sample("beta.xls")));
    EXPECT_EQ(openCount(DocKind::Spreadsheet), 1);
}

TEST_F(CalcTest, SameWorkbookOpenedTwiceGivesNoSecondCopy) {
    auto first = open(sample("alpha.xls"));
    auto second = open(sample("alpha.xls"));
    EXPECT_EQ(copiesOpen(sample("alpha.xls")), 1);
    // Both references reach the one document: closing through the second closes it.
    second->call("Close", omitted(3), kLocale);
    EXPECT_FALSE(isOpen(sample("alpha.xls")));
}

TEST_F(CalcTest, SameWorkbookClosedAndOpenedAgainIsOpenOnce) {
    open(sample("beta.xls"));
    closeByName("beta.xls");
    open(sample("beta.xls"));
    EXPECT_EQ(copiesOpen(sample("beta.xls")), 1);
}

TEST_F(CalcTest, ItemMatchesTheFileNameWithLetterCaseIgnored) {
    for (const char* name : {"GAMMA.XLS", "gamma.xls"}) {
        open(sample("alpha.xls"));
        open(sample("Gamma.xls"));
        closeByName(name);
        EXPECT_FALSE(isOpen(sample("Gamma.xls"))) << name;
        EXPECT_TRUE(isOpen(sample("alpha.xls"))) << name;
    }
}

TEST_F(CalcTest, ItemDoesNotMatchTheWindowTitleOrAPartOfTheName) {
    open(sample("Gamma.xls"));
    for (const char* name : {"Gamma.xls - LibreOffice Calc", "Gamma", "amma.xls", "Gamma.xls ", ""}) {
        try {
            workbooks()->get("Item", {Value::text(name)});
            ADD_FAILURE() << "found a workbook named \"" << name << "\"";
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.code(), errors::kNotFound) << name;
        }
    }
}

TEST_F(CalcTest, ItemDoesNotReachDocumentsOfAnotherKind) {
    ASSERT_TRUE(openByHand(sample("one.doc")));
    try {
        workbooks()->get("Item", {Value::text("one.doc")});
        ADD_FAILURE() << "a text document was taken for a workbook";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), errors::kNotFound);
    }
}

TEST_F(CalcTest, UnreadableFileFailsWithAnErrorAndLeavesTheOfficeUsable) {
    try {
        open(sample("broken.xls"));
        ADD_FAILURE() << "garbage opened as a workbook";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), errors::kFailed);
        EXPECT_NE(e.description().find("broken.xls"), std::string::npos) << e.description();
    }
    EXPECT_FALSE(isOpen(sample("broken.xls")));
    // No dialog was left behind: the office still takes the next request.
    open(sample("alpha.xls"));
    EXPECT_TRUE(isOpen(sample("alpha.xls")));
}

TEST_F(CalcTest, MissingFileFailsNamingIt) {
    try {
        open(samples() + "/no such file.xls");
        ADD_FAILURE();
    } catch (const AutomationError& e) {
        EXPECT_NE(e.description().find("no such file.xls"), std::string::npos) << e.description();
    }
}

TEST_F(CalcTest, WorkbookWithUnsavedChangesIsNotClosedSilently) {
    open(sample("alpha.xls"));
    setModified(sample("alpha.xls"), true);
    try {
        closeByName("alpha.xls");
        ADD_FAILURE() << "a changed workbook was closed";
    } catch (const AutomationError& e) {
        EXPECT_NE(e.description().find("unsaved changes"), std::string::npos) << e.description();
    }
    EXPECT_TRUE(isOpen(sample("alpha.xls")));
    EXPECT_TRUE(isModified(sample("alpha.xls")));
}

TEST_F(CalcTest, MembersOutsideTheOpenersCallsAreNotFound) {
    auto app = office().globalObject(GlobalApp::Excel)->getObject("Application");
    auto books = app->getObject("Workbooks");
    for (auto [object, member, access] :
         {std::tuple{app, "Quit", Access::Method}, std::tuple{app, "Visible", Access::Get},
          std::tuple{app, "Documents", Access::Get}, std::tuple{app, "Activate", Access::Method},
          std::tuple{books, "Count", Access::Get}, std::tuple{books, "Open", Access::Get},
          std::tuple{books, "Item", Access::Put}}) {
        try {
            object->invoke(member, access, {});
            ADD_FAILURE() << member;
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.code(), errors::kMemberNotFound) << member;
        }
    }
}

TEST_F(CalcTest, WindowStateOutsideTheApplicationsValuesIsRejected) {
    auto app = office().createObject("excel.application");
    try {
        app->put("WindowState", Value::integer(3), kLocale);
        ADD_FAILURE();
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), errors::kBadArgument);
    }
}

TEST_F(CalcTest, ShowingWithNoWorkbookOpenIsNoFailure) {
    auto app = office().createObject("EXCEL.Application");
    EXPECT_NO_THROW(app->put("Visible", Value::boolean(true), kLocale));
    EXPECT_NO_THROW(app->put("WindowState", Value::integer(-4137), kLocale));
}

class CalcWindowTest : public WindowTest {};

TEST_F(CalcWindowTest, CreatedApplicationMaximisesTheWorkbookOpenedThroughTheGlobalObject) {
    // The opener's sequence: create, open through the global object, show through the workbook's
    // Application, maximise through the created application.
    auto created = office().createObject("excel.application");
    auto workbook = office().globalObject(GlobalApp::Excel)->getObject("Application")->getObject("Workbooks")
                        ->call("Open", excelOpenArgs(sample("beta.xls")), kLocale).asObject();
    workbook->getObject("Application")->put("Visible", Value::boolean(true), kLocale);
    restoreWindow(sample("beta.xls"));
    ASSERT_FALSE(isMaximized(sample("beta.xls")));
    created->put("WindowState", Value::integer(-4137), kLocale);
    EXPECT_TRUE(isVisible(sample("beta.xls")));
    EXPECT_TRUE(isMaximized(sample("beta.xls")));
}

TEST_F(CalcWindowTest, NormalWindowStateUndoesMaximised) {
    auto created = office().createObject("excel.application");
    created->getObject("Workbooks")->call("Open", excelOpenArgs(sample("alpha.xls")), kLocale);
    created->put("WindowState", Value::integer(-4137), kLocale);
    ASSERT_TRUE(isMaximized(sample("alpha.xls")));
    created->put("WindowState", Value::integer(-4143), kLocale);
    EXPECT_FALSE(isMaximized(sample("alpha.xls")));
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice::testing
