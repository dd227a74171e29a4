// The COM backend against the test office: what crosses COM in each direction, how failures come
// back, the global objects, and calls a busy office rejects.

#include <chrono>
#include <thread>

#include "ComFixture.h"
#include "common/WideText.h"

namespace vorrindel::testing {
namespace {

using automation::Access;
using automation::Args;
using automation::AutomationError;
using automation::Clock;
using automation::GlobalApp;
using automation::ObjectRef;
using automation::Value;
namespace errors = automation::errors;
using namespace std::chrono_literals;

using Log = std::vector<std::string>;

// The code of the failure `call` ends in (0 when it succeeds).
template <class Call>
std::int32_t codeOf(Call&& call, std::string* description = nullptr) {
    try {
        call();
    } catch (const AutomationError& e) {
        if (description) *description = e.description();
        return e.code();
    }
    return 0;
}

// --- Values on the wire ------------------------------------------------------------------------

class Excel : public ComFixture {
protected:
    bool started_ = (start("excel"), true);
    ObjectRef excel = backend->createObject("excel.application");
};

TEST_F(Excel, ValuesArriveAsAutomationTypes) {
    struct Sent {
        std::string member;
        Access access;
        Args args;
        std::optional<int> locale;
        std::string received;  // the server's log line, less the instance
    };
    const Sent table[] = {
        {"Visible", Access::Put, {Value::boolean(true)}, std::nullopt, "Application.Visible put (bool(-1)) @1024"},
        {"Visible", Access::Put, {Value::boolean(false)}, 1033, "Application.Visible put (bool(0)) @1033"},
        {"WindowState", Access::Put, {Value::integer(-4137)}, 1033, "Application.WindowState put (i4(-4137)) @1033"},
        {"Activate", Access::Method, {}, std::nullopt, "Application.Activate method () @1024"},
        // A get may be a method of the application's type library (Item is, in some).
        {"Workbooks", Access::Get, {}, std::nullopt, "Application.Workbooks method|get () @1024"},
        {"Quit", Access::Method, {Value::integer(1)}, std::nullopt, "Application.Quit method (i4(1)) @1024"},
    };
    for (const Sent& c : table) {
        log.take();
        excel->invoke(c.member, c.access, c.args, c.locale);
        EXPECT_EQ(log.take(), Log{"excel#1 " + c.received});
    }
}

TEST_F(Excel, ArgumentsKeepTheirOrderAndOmittedOnesCrossAsParamNotFound) {
    const std::string path = folder.file("Q3 Łódź.xls");
    ObjectRef workbooks = excel->getObject("Workbooks");
    log.take();
    workbooks->call("Open", {Value::text(path), Value::omitted(), Value::boolean(false), Value::omitted()}, 1033);
    EXPECT_EQ(log.take(), Log{"excel#1 Workbooks.Open method (\"" + path + "\", <omitted>, bool(0), <omitted>) @1033"});
}

TEST_F(Excel, ValuesComeBackAsBoundaryValues) {
    folder.file("Q3 Łódź.xls");
    ObjectRef workbooks = excel->getObject("Workbooks");
    workbooks->call("Open", {Value::text(folder.path() + "\\Q3 Łódź.xls")});
    excel->put("Visible", Value::boolean(true));

    EXPECT_EQ(workbooks->get("Count").storage(), Value::integer(1).storage());
    EXPECT_EQ(excel->get("Visible").storage(), Value::boolean(true).storage());
    // Text crosses as UTF-16 both ways; items are found ignoring letter case.
    ObjectRef workbook = workbooks->get("Item", {Value::text("q3 łódź.XLS")}).asObject();
    EXPECT_EQ(workbook->get("Name").asText(), "Q3 Łódź.xls");
    // An object returned is an object of the same instance.
    EXPECT_EQ(workbook->getObject("Application")->get("Visible").asBool(), automation::kTrue);
}

// NTFS allows names that are not valid UTF-16, and the listing keeps them as WTF-8: the office must
// be asked for that very file, by each application's way of opening one. (Wine keeps names as
// UTF-8 on the disk below and cannot make such a file; there the office's "cannot be found" must
// name it unchanged too.)
TEST_F(ComFixture, NamesWithLoneSurrogatesReachTheOfficeUnchanged) {
    struct Opening {
        std::string app;
        std::string progId;
        std::string collection;  // "" for Access, which opens on the application
        std::string member;
        std::string file;
    };
    const Opening table[] = {
        {"excel", "excel.application", "Workbooks", "Open", "Q3\xED\xA0\x80.xls"},       // U+D800 alone
        {"word", "word.application", "Documents", "Open", "\xED\xB0\x80 notes.doc"},     // U+DC00 alone
        {"powerpoint", "PowerPoint.Application", "Presentations", "Open",
         "plan\xED\xAF\xBF\xED\xAF\xBF.ppt"},                                          // two highs, no pair
        {"access", "Access.Application", "", "OpenCurrentDatabase", "\xED\xB0\x80\xED\xA0\x80.mdb"},  // low, high
    };
    for (const Opening& c : table) {
        SCOPED_TRACE(c.app);
        const std::string path = folder.file(c.file);
        const bool made = GetFileAttributesW(windows::widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
        start(c.app);
        ObjectRef application = backend->createObject(c.progId);
        ObjectRef opener = c.collection.empty() ? application : application->getObject(c.collection);
        log.take();
        std::string description;
        const std::int32_t code = codeOf([&] { opener->call(c.member, {Value::text(path)}); }, &description);
        // The log spells what arrived in WTF-8 as well: the same line means the same UTF-16.
        const std::string object = c.collection.empty() ? "Application" : c.collection;
        EXPECT_EQ(log.take(), Log{c.app + "#1 " + object + "." + c.member + " method (\"" + path + "\") @1024" +
                                  (made ? "" : " -> 0x80004005")});
        if (!made) {
            EXPECT_EQ(description, "The file '" + path + "' cannot be found.");
        } else {
            EXPECT_EQ(code, 0) << description;
            if (!c.collection.empty()) {
                EXPECT_EQ(opener->get("Item", {Value::integer(1)}).asObject()->get("Name").asText(), c.file);
            }
        }
    }
}

// --- Failures ----------------------------------------------------------------------------------

TEST_F(Excel, FailuresComeBackWithTheOfficesCodeAndText) {
    struct Failing {
        std::string file;  // opened in Workbooks; "" to ask for an item of that name instead
        std::string member;
        Access access;
        std::int32_t code;
        std::string description;  // a part of it
    };
    const Failing table[] = {
        // From the office's EXCEPINFO: its code and its own words.
        {"", "Item", Access::Get, errors::kNotFound, "does not exist"},
        {"broken.xls", "Open", Access::Method, errors::kFailed, "broken.xls' is damaged"},
        {"gone.xls", "Open", Access::Method, errors::kFailed, "gone.xls' cannot be found"},
        // From COM alone: the member named, and the system's text for the code.
        {"a.xls", "Frobnicate", Access::Method, static_cast<std::int32_t>(DISP_E_UNKNOWNNAME), "Frobnicate: "},
        {"a.xls", "Count", Access::Method, static_cast<std::int32_t>(DISP_E_MEMBERNOTFOUND), "Count: "},
    };
    folder.file("a.xls");
    folder.file("broken.xls");
    ObjectRef workbooks = excel->getObject("Workbooks");
    for (const Failing& c : table) {
        const Args args{Value::text(c.file.empty() ? "missing.xls" : folder.path() + "\\" + c.file)};
        std::string description;
        EXPECT_EQ(codeOf([&] { workbooks->invoke(c.member, c.access, args); }, &description), c.code) << c.member;
        EXPECT_NE(description.find(c.description), std::string::npos) << description;
    }
}

TEST_F(ComFixture, AnApplicationThatIsNotInstalledCannotBeCreated) {
    std::string description;
    EXPECT_EQ(codeOf([&] { backend->createObject("nosuch.application"); }, &description), errors::kCannotCreate);
    EXPECT_TRUE(description.starts_with("cannot create \"nosuch.application\": ")) << description;
}

TEST_F(Excel, ObjectsOfAnInstanceThatQuitFailAsServerGone) {
    office::quitTestOffice();
    EXPECT_EQ(codeOf([&] { excel->getObject("Workbooks"); }), errors::kServerGone);
}

TEST_F(Excel, ObjectsAreUsedOnTheAutomationThreadOnly) {
    std::int32_t code = 0;
    std::thread([&] {
        code = codeOf([&] { excel->get("Visible"); });
        excel.reset();  // released later, on the automation thread
    }).join();
    EXPECT_EQ(code, static_cast<std::int32_t>(RPC_E_WRONG_THREAD));
    EXPECT_NO_THROW(backend->createObject("excel.application")->get("Visible"));
}

// --- Global objects ----------------------------------------------------------------------------

class GlobalObject : public ComFixture, public ::testing::WithParamInterface<GlobalApp> {};

TEST_P(GlobalObject, AttachesToTheRunningInstanceAndAgainAfterItQuit) {
    const bool excel = GetParam() == GlobalApp::Excel;
    const std::string app = excel ? "excel" : "word";
    const std::string collection = excel ? "Workbooks" : "Documents";
    start(app);
    ObjectRef created = backend->createObject(app + ".application");
    ObjectRef global = backend->globalObject(GetParam());
    global->getObject(collection);
    office::quitTestOffice();
    log.take();
    global->getObject(collection);  // starts the application again
    EXPECT_EQ(log.take(), (Log{app + "#2 start", app + "#2 create",
                               app + "#2 Application." + collection + " method|get () @1024"}));
}

INSTANTIATE_TEST_SUITE_P(Com, GlobalObject, ::testing::Values(GlobalApp::Excel, GlobalApp::Word),
                         [](const auto& info) { return std::string(automation::globalAppName(info.param)); });

TEST_F(ComFixture, AccessGlobalReachesTheAccessHoldingTheDatabaseOpenedLast) {
    ObjectRef global = backend->globalObject(GlobalApp::Access);
    // None opened yet: closing and quitting have nothing to act on.
    EXPECT_NO_THROW(global->call("CloseCurrentDatabase"));
    EXPECT_NO_THROW(global->call("Quit", {Value::integer(1)}));
    EXPECT_EQ(codeOf([&] { global->put("Visible", Value::boolean(true)); }), errors::kServerGone);

    start("access");
    ObjectRef first = backend->createObject("Access.Application");
    first->call("OpenCurrentDatabase", {Value::text(folder.file("one.mdb")), Value::boolean(false)});
    start("access");
    ObjectRef second = backend->createObject("Access.Application");  // no database of its own
    log.take();
    backend->beginRequest(Clock::now() + 10s);
    global->call("CloseCurrentDatabase");
    global->call("Quit", {Value::integer(1)});
    backend->endRequest();
    EXPECT_EQ(log.take(), (Log{"access#1 Application.CloseCurrentDatabase method () @1024",
                               "access#1 Application.Quit method (i4(1)) @1024"}));
    EXPECT_EQ(office::runningInstances("access"), 1);
    // The Access it reached has gone: closing and quitting succeed again, doing nothing.
    EXPECT_NO_THROW(global->call("Quit", {Value::integer(1)}));
    EXPECT_EQ(log.take(), Log{});
}

// --- A busy office -----------------------------------------------------------------------------
// (How a stuck call ends, at the deadline or a cancel, is the automation contract's.)

TEST_F(Excel, CallsABusyOfficeRejectsAreTriedAgainUntilTheDeadline) {
    excel->put("TestBusy", Value::integer(2));
    backend->beginRequest(Clock::now() + 10s);
    log.take();
    EXPECT_NO_THROW(excel->put("Visible", Value::boolean(true)));
    EXPECT_EQ(log.take(), (Log{"excel#1 Application.Visible put (bool(-1)) @1024 -> 0x8001010A",
                               "excel#1 Application.Visible put (bool(-1)) @1024 -> 0x8001010A",
                               "excel#1 Application.Visible put (bool(-1)) @1024"}));
    backend->endRequest();

    constexpr auto kLimit = 400ms;
    excel->put("TestBusy", Value::integer(1000));
    const auto start = Clock::now();
    backend->beginRequest(start + kLimit);
    const std::int32_t code = codeOf([&] { excel->put("Visible", Value::boolean(true)); });
    const auto took = Clock::now() - start;
    backend->endRequest();
    excel->put("TestBusy", Value::integer(0));
    EXPECT_EQ(code, errors::kTimeout);
    EXPECT_GE(took, kLimit - 50ms);
    EXPECT_LT(took, kLimit + 300ms);
}

}  // namespace
}  // namespace vorrindel::testing
