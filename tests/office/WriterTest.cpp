// Text documents through the calls the Word opener makes on its start and reuse paths.

#include "OfficeFixture.h"

namespace vorrindel::automation::libreoffice::testing {
namespace {

Args wordOpenArgs(const std::string& path) {
    Args args{Value::text(path)};
    args.resize(10, Value::omitted());
    return args;
}

class WriterTest : public OfficeTest {
protected:
    ObjectRef global() { return office().globalObject(GlobalApp::Word); }
    int count() { return global()->getObject("Documents")->get("Count").asInteger(); }
};

TEST_F(WriterTest, CountIsZeroWithOnlyOtherKindsOpen) {
    EXPECT_EQ(count(), 0);
    ASSERT_TRUE(openByHand(sample("alpha.xls")));
    EXPECT_EQ(count(), 0);
}

TEST_F(WriterTest, StartPathOpensThroughTheCreatedApplication) {
    ASSERT_EQ(count(), 0);
    auto created = office().createObject("word.application");
    created->put("Visible", Value::boolean(true));
    auto doc = created->getObject("Documents")->call("Open", wordOpenArgs(sample("one.doc"))).asObject();
    created->put("WindowState", Value::integer(1));
    EXPECT_EQ(count(), 1);
    doc->call("Close", omitted(3));
    EXPECT_EQ(count(), 0);
}

TEST_F(WriterTest, ReusePathWorksOnADocumentOpenedByHand) {
    ASSERT_TRUE(openByHand(sample("two.doc")));
    EXPECT_EQ(count(), 1);
    // Found by name although this backend did not open it.
    EXPECT_NO_THROW(global()->getObject("Documents")->getObject("Item", {Value::text("TWO.doc")}));
    global()->getObject("Documents")->call("Open", wordOpenArgs(sample("three.doc")));
    global()->getObject("Application")->put("Visible", Value::boolean(true));
    global()->getObject("Application")->call("Activate");
    EXPECT_EQ(count(), 2);
    EXPECT_TRUE(isOpen(sample("two.doc")));
}

TEST_F(WriterTest, CloseByNameOnTheReusePathClosesOnlyThatDocument) {
    ASSERT_TRUE(openByHand(sample("two.doc")));
    global()->getObject("Documents")->call("Open", wordOpenArgs(sample("one.doc")));
    global()->getObject("Documents")->getObject("Item", {Value::text("one.doc")})->call("Close", omitted(3));
    EXPECT_FALSE(isOpen(sample("one.doc")));
    EXPECT_TRUE(isOpen(sample("two.doc")));
    EXPECT_EQ(count(), 1);
}

TEST_F(WriterTest, DocumentsAnswerOnlyTheOpenersMembers) {
    auto doc = global()->getObject("Documents")->call("Open", wordOpenArgs(sample("one.doc"))).asObject();
    for (const char* member : {"Application", "Name", "Save"}) {
        try {
            doc->get(member);
            ADD_FAILURE() << member;
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.code(), errors::kMemberNotFound) << member;
        }
    }
}

TEST_F(WriterTest, CloseOfAnEmptyNameFailsAsNotFound) {
    ASSERT_TRUE(openByHand(sample("two.doc")));
    try {
        global()->getObject("Documents")->getObject("Item", {Value::text("")});
        ADD_FAILURE();
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), errors::kNotFound);
    }
}

TEST_F(WriterTest, DocumentOpenedByHandTwiceIsOpenOnce) {
    ASSERT_TRUE(openByHand(sample("three.doc")));
    global()->getObject("Documents")->call("Open", wordOpenArgs(sample("three.doc")));
    EXPECT_EQ(copiesOpen(sample("three.doc")), 1);
}

TEST_F(WriterTest, ChangedDocumentStaysOpenWithItsChanges) {
    global()->getObject("Documents")->call("Open", wordOpenArgs(sample("one.doc")));
    setModified(sample("one.doc"), true);
    EXPECT_THROW(global()->getObject("Documents")->getObject("Item", {Value::text("one.doc")})->call("Close", omitted(3)),
                 AutomationError);
    EXPECT_TRUE(isModified(sample("one.doc")));
}

TEST_F(WriterTest, SpreadsheetOpenedThroughWriterIsRefused) {
    try {
        global()->getObject("Documents")->call("Open", wordOpenArgs(sample("alpha.xls")));
        ADD_FAILURE();
    } catch (const AutomationError& e) {
        EXPECT_NE(e.description().find("spreadsheet"), std::string::npos) << e.description();
    }
    EXPECT_FALSE(isOpen(sample("alpha.xls")));
}

class WriterWindowTest : public WindowTest {};

TEST_F(WriterWindowTest, StartPathMaximisesTheDocumentItOpened) {
    auto created = office().createObject("word.application");
    created->put("Visible", Value::boolean(true));
    created->getObject("Documents")->call("Open", wordOpenArgs(sample("one.doc")));
    restoreWindow(sample("one.doc"));
    ASSERT_FALSE(isMaximized(sample("one.doc")));
    created->put("WindowState", Value::integer(1));
    EXPECT_TRUE(isVisible(sample("one.doc")));
    EXPECT_TRUE(isMaximized(sample("one.doc")));
}

TEST_F(WriterWindowTest, ReusePathLeavesTheWindowStateAlone) {
    ASSERT_TRUE(openByHand(sample("two.doc")));
    auto global = office().globalObject(GlobalApp::Word);
    global->getObject("Documents")->call("Open", wordOpenArgs(sample("three.doc")));
    // A new window takes the state the office remembers for Writer; showing must not change it.
    bool maximised = isMaximized(sample("three.doc"));
    global->getObject("Application")->put("Visible", Value::boolean(true));
    global->getObject("Application")->call("Activate");
    EXPECT_TRUE(isVisible(sample("three.doc")));
    EXPECT_EQ(isMaximized(sample("three.doc")), maximised);
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice::testing
