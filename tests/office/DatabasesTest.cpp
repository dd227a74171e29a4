// Access databases shown by the real office through the backend's Access objects, called as the
// opener calls them. The office is the one the backend starts, with the driver's registration in
// its environment; this process's environment has none of it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include <com/sun/star/awt/XTopWindow2.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/sdb/CommandType.hpp>
#include <com/sun/star/sdb/application/DatabaseObject.hpp>
#include <com/sun/star/sdb/application/XDatabaseDocumentUI.hpp>
#include <com/sun/star/sdbc/XResultSet.hpp>
#include <com/sun/star/sdbc/XRow.hpp>
#include <com/sun/star/sdbc/XRowSet.hpp>

#include "AccessSamples.h"
#include "OfficeFixture.h"
#include "automation/libreoffice/Databases.h"
#include "automation/libreoffice/Documents.h"

namespace vorrindel::automation::libreoffice::testing {
namespace {

namespace fs = std::filesystem;
namespace uno = css::uno;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using uno::Reference;
using uno::UNO_QUERY_THROW;
using Ui = css::sdb::application::XDatabaseDocumentUI;

// Whether process `pid` has `file` open.
bool holdsOpen(int pid, const fs::path& file) {
    std::error_code ec;
    const fs::path target = fs::canonical(file, ec);
    for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code unreadable;
        if (fs::read_symlink(it->path(), unreadable) == target) return true;
    }
    return false;
}

// Waits, up to `limit`, until process `pid` opens `file`: woken by every opening of the file, by
// whichever process, not by looking again.
bool waitUntilOpenedBy(int pid, const fs::path& file, std::chrono::milliseconds limit) {
    const int watch = inotify_init1(IN_CLOEXEC);
    if (watch < 0 || inotify_add_watch(watch, file.c_str(), IN_OPEN) < 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool opened = holdsOpen(pid, file);
    while (!opened) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{watch, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
        alignas(inotify_event) char events[4096];
        if (read(watch, events, sizeof events) <= 0) break;
        opened = holdsOpen(pid, file);
    }
    close(watch);
    return opened;
}

// The database window opened last through the backend, and what it shows.
ModelRef lastDatabase(const Connection& c) { return office().session().lastOpened(DocKind::Database, c.generation); }
Reference<Ui> uiOf(const ModelRef& document) { return {document->getCurrentController(), UNO_QUERY_THROW}; }

class AccessBaseTest : public OfficeTest {
protected:
    void SetUp() override {
        if (auto why = vorrindel::testing::accessInOfficeMissing(); !why.empty()) GTEST_SKIP() << why;
        OfficeTest::SetUp();
        ASSERT_EQ(windowsOpen(), 0);
    }
    void TearDown() override {
        EXPECT_THAT(copies.changed(), ::testing::IsEmpty()) << "a database file changed";
        if (!IsSkipped()) closeAll();
    }

    // The opener's steps: create, show, open (not exclusive); the application is released after.
    void open(const std::string& file) {
        auto app = office().createObject("Access.Application");
        app->put("Visible", Value::boolean(true));
        app->call("OpenCurrentDatabase", {Value::text(copies.path(file)), Value::boolean(false)});
    }
    std::string openingError(const std::string& file) {
        try {
            open(file);
        } catch (const AutomationError& e) {
            return e.description();
        }
        return "<opened>";
    }
    static void closePrevious() {
        auto global = office().globalObject(GlobalApp::Access);
        global->call("CloseCurrentDatabase");
        global->call("Quit", {Value::integer(1)});
    }

    vorrindel::testing::AccessCopies copies;
};

TEST_F(AccessBaseTest, EachFileShowsItsTablesReadOnlyMaximisedAndTheCloseTakesEveryWindowWithIt) {
    for (const auto& sample : vorrindel::testing::accessSamples()) {
        SCOPED_TRACE(sample.file);
        open(sample.file);
        auto [tables, maximized] = office().session().call<std::pair<std::vector<std::string>, bool>>(
            [](const Connection& c) {
                Reference<css::awt::XTopWindow2> window(
                    lastDatabase(c)->getCurrentController()->getFrame()->getContainerWindow(), UNO_QUERY_THROW);
                return std::pair(listedTables(lastDatabase(c)), static_cast<bool>(window->getIsMaximized()));
            });
        EXPECT_EQ(tables, std::vector<std::string>{sample.table});
        EXPECT_THAT(databaseWindows(), ::testing::ElementsAre(HasSubstr(sample.file + " (read-only)")));
        if (windowsVisible()) {
            EXPECT_TRUE(maximized);
        }
        // A table view is a window of its own, which closing the document alone would leave on
        // screen.
        office().session().call<bool>([&](const Connection& c) {
            return uiOf(lastDatabase(c))
                ->loadComponent(css::sdb::application::DatabaseObject::TABLE, toOU(sample.table), false)
                .is();
        });
        ASSERT_EQ(windowsOpen(), 2);
        closePrevious();
        EXPECT_EQ(windowsOpen(), 0) << "a window outlived its database window";
    }
}

// Base reads Yes/No columns as SQL_C_BIT into one byte, which mdbtools alone overran, ending the
// office.
TEST_F(AccessBaseTest, RowsReadThroughBaseMatchMdbExportYesNoColumnsIncluded) {
    for (const auto& sample : vorrindel::testing::accessSamples()) {
        SCOPED_TRACE(sample.file);
        open(sample.file);
        auto expected = vorrindel::testing::exportedRows(copies.path(sample.file), sample.table);
        ASSERT_FALSE(expected.empty());
        auto rows = office().session().call<std::vector<std::vector<std::string>>>([&](const Connection& c) {
            auto rowSet =
                c.context->getServiceManager()->createInstanceWithContext("com.sun.star.sdb.RowSet", c.context);
            Reference<css::beans::XPropertySet> props(rowSet, UNO_QUERY_THROW);
            props->setPropertyValue("ActiveConnection", uno::Any(uiOf(lastDatabase(c))->getActiveConnection()));
            props->setPropertyValue("CommandType", uno::Any(css::sdb::CommandType::TABLE));
            props->setPropertyValue("Command", uno::Any(toOU(sample.table)));
            Reference<css::sdbc::XRowSet>(rowSet, UNO_QUERY_THROW)->execute();
            Reference<css::sdbc::XResultSet> result(rowSet, UNO_QUERY_THROW);
            Reference<css::sdbc::XRow> row(rowSet, UNO_QUERY_THROW);
            std::vector<std::vector<std::string>> out;
            while (result->next()) {
                out.emplace_back();
                for (std::size_t i = 1; i <= expected[0].size(); ++i) out.back().push_back(fromOU(row->getString(i)));
                if (sample.yesNoColumn) out.back().push_back(row->getBoolean(sample.yesNoColumn) ? "1" : "0");
            }
            Reference<css::lang::XComponent>(rowSet, UNO_QUERY_THROW)->dispose();
            return out;
        });
        ASSERT_EQ(rows.size(), expected.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (std::size_t i = 0; i < expected[r].size(); ++i)
                EXPECT_THAT(rows[r][i], StartsWith(expected[r][i])) << "row " << r << " column " << i + 1;
            if (sample.yesNoColumn) {
                EXPECT_EQ(rows[r].back(), expected[r][sample.yesNoColumn - 1]);
            }
        }
        closePrevious();
    }
}

// Files that are not databases the driver can read, made from the first sample.
struct BadFile {
    const char* name;
    std::function<std::string(const std::string& sample)> bytes;
    const char* cause;
};

class BadFileAccessBaseTest : public AccessBaseTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFileAccessBaseTest, IsReportedNamingItsPathAndLeavesNoWindow) {
    const BadFile& bad = GetParam();
    const std::string path = copies.path(bad.name);
    vorrindel::testing::writeFile(path, bad.bytes(vorrindel::testing::readFile(copies.path("Monitor.mdb"))));
    const std::string error = openingError(bad.name);
    EXPECT_THAT(error, StartsWith("cannot open \"" + fs::canonical(path).string() + "\": "));
    EXPECT_THAT(error, HasSubstr(bad.cause));
    EXPECT_EQ(windowsOpen(), 0);
    // The office is not held by a dialog or gone: the next database opens.
    EXPECT_NO_THROW(open("testodbc.mdb"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadFileAccessBaseTest,
    ::testing::Values(
        BadFile{"garbage.mdb",
                [](const std::string&) {
                    std::string garbage;
                    for (int i = 0; i < 8192; ++i) garbage.push_back(static_cast<char>((i * 7919 + 13) % 256));
                    return garbage;
                },
                "it is not an Access database"},
        BadFile{"empty.mdb", [](const std::string&) { return std::string(); }, "it is not an Access database"},
        // The header of a database, and nothing readable after its first page.
        BadFile{"damaged.mdb", [](const std::string& good) { return good.substr(0, 4096) + std::string(8192, '\xA5'); },
                "damaged"}),
    [](const auto& info) { return fs::path(info.param.name).stem().string(); });

TEST_F(AccessBaseTest, TickedBoxLeavesThePreviousDatabaseOpenAndTheCloseReachesOnlyTheLast) {
    open("Monitor.mdb");
    open("testodbc.mdb");
    EXPECT_THAT(databaseWindows(),
                ::testing::UnorderedElementsAre(HasSubstr("Monitor.mdb"), HasSubstr("testodbc.mdb")));
    closePrevious();
    EXPECT_THAT(databaseWindows(), ::testing::ElementsAre(HasSubstr("Monitor.mdb")));
    // Nothing opened since: nothing more is closed.
    closePrevious();
    EXPECT_EQ(databaseWindows().size(), 1u);
}

TEST_F(AccessBaseTest, CloseSucceedsDoingNothingWhenTheUserClosedTheWindow) {
    open("Monitor.mdb");
    ASSERT_TRUE(openByHand(sample("one.doc")));
    office().session().call<bool>([](const Connection& c) {
        closeDocument(lastDatabase(c));  // as the user would, from its window
        return true;
    });
    EXPECT_NO_THROW(closePrevious());
    // Other documents stay, and so does the office.
    EXPECT_TRUE(isOpen(sample("one.doc")));
}

TEST_F(AccessBaseTest, OfficeKilledDuringTheOpenIsReportedAndTheNextOfficeSeesTheDriverAgain) {
    const int pid = office().officePid();
    ASSERT_GT(pid, 0);
    // Killed while it reads the database for the open: the request has reached it and is not
    // answered yet (the connection is made before the window is shown and the call returns).
    bool reached = false;
    std::thread killer([&] {
        reached = waitUntilOpenedBy(pid, copies.path("Monitor.mdb"), std::chrono::seconds(60));
        kill(pid, SIGKILL);
    });
    const std::string error = openingError("Monitor.mdb");
    killer.join();
    EXPECT_TRUE(reached) << "the office never opened the database";
    EXPECT_THAT(error, HasSubstr("Monitor.mdb"));
    EXPECT_THAT(error, HasSubstr("LibreOffice ended while loading it"));
    EXPECT_NO_THROW(open("Monitor.mdb"));
    EXPECT_NE(office().officePid(), pid);
}

// An office that the user started before the program: it was not given the driver.
TEST_F(AccessBaseTest, OfficeRunningWithoutTheDriverIsReportedWithWhatToDo) {
    auto options = officeOptions();
    options.profileDir += "-own";
    options.pipeName += "_own";
    seedPrivateProfile(options.profileDir);
    std::string error;
    const int started = spawnOffice(options.programDir + "/soffice",
                                    {"--accept=pipe,name=" + options.pipeName + ";urp;StarOffice.ComponentContext",
                                     "--headless", "--nologo", "--nodefault", "--norestore",
                                     "-env:UserInstallation=" + fileUrlFromPath(options.profileDir)},
                                    {}, error);
    ASSERT_GT(started, 0) << error;
    // Listening on its pipe.
    const std::string socket = "/tmp/OSL_PIPE_" + std::to_string(getuid()) + "_" + options.pipeName;
    for (int i = 0; i < 600 && vorrindel::testing::readFile("/proc/net/unix").find(socket) == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto users = makeLibreOfficeAutomation(options);
    try {
        auto app = users->createObject("Access.Application");
        app->call("OpenCurrentDatabase", {Value::text(copies.path("Monitor.mdb")), Value::boolean(false)});
        ADD_FAILURE() << "opened without the driver";
    } catch (const AutomationError& e) {
        EXPECT_THAT(e.description(), HasSubstr("quit LibreOffice"));
    }
    EXPECT_EQ(users->session().call<int>([](const Connection& c) {
        return static_cast<int>(documentsOf(c, DocKind::Database).size());
    }),
              0);
    users->shutdownOffice();
    waitpid(started, nullptr, 0);
    fs::remove_all(options.profileDir);
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice::testing
