// Presentations through the calls the PowerPoint opener makes on a created application.

#include "OfficeFixture.h"

namespace vorrindel::automation::libreoffice::testing {
namespace {

class ImpressTest : public OfficeTest {
protected:
    ObjectRef app() {
        auto app = office().createObject("PowerPoint.Application");
        app->put("Visible", Value::integer(1));
        app->call("Activate");
        return app;
    }
    static ObjectRef open(const ObjectRef& app, const std::string& path) {
        return app->getObject("Presentations")
            ->call("Open", {Value::text(path), Value::boolean(false), Value::boolean(false), Value::boolean(true)})
            .asObject();
    }
};

TEST_F(ImpressTest, OpenLoadsThePresentation) {
    auto application = app();
    open(application, sample("deck.ppt"));
    EXPECT_TRUE(isOpen(sample("deck.ppt")));
    EXPECT_EQ(openCount(DocKind::Presentation), 1);
}

TEST_F(ImpressTest, ItemTakesTheNameWithoutItsExtension) {
    auto application = app();
    open(application, sample("deck.ppt"));
    auto presentations = application->getObject("Presentations");
    open(application, sample("show.ppt"));
    presentations->getObject("Item", {Value::text("DECK")})->call("Close");
    EXPECT_FALSE(isOpen(sample("deck.ppt")));
    EXPECT_TRUE(isOpen(sample("show.ppt")));
    try {
        presentations->getObject("Item", {Value::text("show.ppt")});
        ADD_FAILURE() << "the name with its extension matched";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), errors::kNotFound);
    }
}

TEST_F(ImpressTest, PreviousPresentationIsClosedByNameInTheNextRequest) {
    open(app(), sample("deck.ppt"));
    // The next request: a new application object, which still finds the first presentation.
    auto next = app();
    next->getObject("Presentations")->getObject("Item", {Value::text("deck")})->call("Close");
    open(next, sample("show.ppt"));
    EXPECT_FALSE(isOpen(sample("deck.ppt")));
    EXPECT_TRUE(isOpen(sample("show.ppt")));
}

TEST_F(ImpressTest, SamePresentationTwiceIsOpenOnce) {
    open(app(), sample("show.ppt"));
    open(app(), sample("show.ppt"));
    EXPECT_EQ(copiesOpen(sample("show.ppt")), 1);
}

TEST_F(ImpressTest, PresentationOfAClosedNameIsNotFound) {
    open(app(), sample("deck.ppt"));
    auto next = app();
    next->getObject("Presentations")->getObject("Item", {Value::text("deck")})->call("Close");
    try {
        next->getObject("Presentations")->getObject("Item", {Value::text("deck")});
        ADD_FAILURE();
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), errors::kNotFound);
    }
}

TEST_F(ImpressTest, ClosingAPresentationAlreadyClosedFails) {
    auto presentation = open(app(), sample("deck.ppt"));
    presentation->call("Close");
    EXPECT_THROW(presentation->call("Close"), AutomationError);
}

class ImpressWindowTest : public WindowTest {};

TEST_F(ImpressWindowTest, WindowStateThreeMaximisesTheOpenedPresentation) {
    auto application = office().createObject("PowerPoint.Application");
    application->put("Visible", Value::integer(1));
    application->call("Activate");
    application->getObject("Presentations")
        ->call("Open", {Value::text(sample("show.ppt")), Value::boolean(false), Value::boolean(false), Value::boolean(true)});
    restoreWindow(sample("show.ppt"));
    ASSERT_FALSE(isMaximized(sample("show.ppt")));
    application->put("WindowState", Value::integer(3));
    EXPECT_TRUE(isVisible(sample("show.ppt")));
    EXPECT_TRUE(isMaximized(sample("show.ppt")));
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice::testing
