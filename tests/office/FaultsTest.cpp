// Files the office cannot or must not open are refused with their cause, naming them, and leave
// the office answering; odd names open the file they name; an office killed under a load is
// reported, not loaded again.

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/XStorable.hpp>

#include "OfficeFixture.h"
#include "automation/libreoffice/Documents.h"
#include "automation/libreoffice/FileUrls.h"
#include "automation/libreoffice/LockFiles.h"

namespace vorrindel::automation::libreoffice::testing {
namespace {

namespace fs = std::filesystem;
namespace uno = css::uno;

const char* const kExcel = "excel.application";
const char* const kWord = "word.application";

Args openArgs(const std::string& progId, const std::string& path) {
    if (progId == kExcel) return excelOpenArgs(path);
    Args args{Value::text(path)};
    args.resize(10, Value::omitted());
    return args;
}

ObjectRef open(const std::string& progId, const std::string& path) {
    auto documents = office().createObject(progId)->getObject(progId == kExcel ? "Workbooks" : "Documents");
    return documents->call("Open", openArgs(progId, path), progId == kExcel ? std::optional(kLocaleUsEnglish) : std::nullopt)
        .asObject();
}

// A copy of a sample that needs a password to open, saved by the office itself.
std::string passwordProtected(const std::string& name, const std::string& filter) {
    std::string source = sample(name);
    std::string target = fs::path(copyOfSample(name, name)).parent_path() / ("secret-" + name);
    office().session().call<bool>([source, target, filter](const Connection& c) {
        auto model = loadDocument(c, source, {.readOnly = true, .hidden = true});
        css::beans::PropertyValue properties[2];
        properties[0].Name = "FilterName";
        properties[0].Value <<= toOU(filter);
        properties[1].Name = "Password";
        properties[1].Value <<= OUString("secret");
        uno::Reference<css::frame::XStorable>(model, uno::UNO_QUERY_THROW)
            ->storeToURL(toOU(fileUrlFromPath(target)), uno::Sequence<css::beans::PropertyValue>(properties, 2));
        closeDocument(model);
        return true;
    });
    return target;
}

std::string deletedAfterListing() {
    std::string path = copyOfSample("alpha.xls", "gone.xls");
    fs::remove(path);
    return path;
}

std::string inDeletedFolder() {
    std::string path = copyOfSample("one.doc", "orphan.doc");
    fs::remove_all(fs::path(path).parent_path());
    return path;
}

std::string folderNamed(const std::string& name) {
    std::string path = fs::path(copyOfSample("alpha.xls", "x.xls")).parent_path() / name;
    fs::create_directory(path);
    return path;
}

std::string pipeNamed(const std::string& name) {
    std::string path = fs::path(copyOfSample("alpha.xls", "x.xls")).parent_path() / name;
    mkfifo(path.c_str(), 0644);
    return path;
}

struct Fault {
    const char* what;
    const char* progId;
    std::function<std::string()> make;
    const char* cause;  // nullptr: the file opens
};

class FaultsTest : public OfficeTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(FaultsTest, OpenGivesTheCauseNamingTheFileAndTheOfficeAnswersAfterwards) {
    const Fault& fault = GetParam();
    const std::string path = fault.make();
    if (!fault.cause) {
        EXPECT_NO_THROW(open(fault.progId, path));
        EXPECT_TRUE(isOpen(path));
        return;
    }
    try {
        open(fault.progId, path);
        ADD_FAILURE() << "opened";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), errors::kFailed) << e.description();
        EXPECT_NE(e.description().find(fs::path(path).filename().string()), std::string::npos) << e.description();
        EXPECT_NE(e.description().find(fault.cause), std::string::npos) << e.description();
    }
    // Nothing was left open and no dialog holds the office.
    EXPECT_EQ(openCount(DocKind::Spreadsheet) + openCount(DocKind::Text), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FaultsTest,
    ::testing::Values(
        Fault{"SpreadsheetNamedDoc", kWord, [] { return sample("sheet.doc"); }, "reads it as a spreadsheet"},
        Fault{"PasswordXls", kExcel, [] { return passwordProtected("alpha.xls", "MS Excel 97"); }, "password-protected"},
        Fault{"PasswordDoc", kWord, [] { return passwordProtected("one.doc", "MS Word 97"); }, "password-protected"},
        Fault{"DeletedAfterListing", kExcel, deletedAfterListing, "no such file"},
        Fault{"FolderDeleted", kWord, inDeletedFolder, "no longer exists"},
        Fault{"FolderNamedXls", kExcel, [] { return folderNamed("folder.xls"); }, "is a folder"},
        Fault{"PipeNamedDoc", kWord, [] { return pipeNamed("pipe.doc"); }, "not a regular file"},
        // Too long a name for the office's lock file beside it: opened without one.
        Fault{"NameOf250Bytes", kExcel, [] { return copyOfSample("alpha.xls", std::string(246, 'n') + ".xls"); },
              nullptr}),
    [](const auto& info) { return std::string(info.param.what); });

class OddNamesTest : public OfficeTest {};

TEST_F(OddNamesTest, NameThatIsNotUtf8OpensItsOwnFileAndNotItsLossyTwin) {
    const std::string raw = copyOfSample("alpha.xls", "bad\xff\xfe.xls");
    const std::string twin = fs::path(raw).parent_path() / "bad\xef\xbf\xbd\xef\xbf\xbd.xls";
    fs::copy_file(sample("beta.xls"), twin);
    open(kExcel, raw);
    EXPECT_TRUE(isOpen(raw));
    EXPECT_FALSE(isOpen(twin));
    open(kExcel, twin);
    auto workbooks = office().globalObject(GlobalApp::Excel)->getObject("Application")->getObject("Workbooks");
    workbooks->getObject("Item", {Value::text("bad\xff\xfe.xls")})->call("Close", omitted(3), kLocaleUsEnglish);
    EXPECT_FALSE(isOpen(raw));
    EXPECT_TRUE(isOpen(twin));
    try {
        workbooks->get("Item", {Value::text("bad\xff\xfe.xls")});
        ADD_FAILURE() << "the twin was taken for the closed file";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), errors::kNotFound);
    }
}

// A spreadsheet that takes the office a while to load.
std::string largeWorkbook() {
    std::string dir = fs::path(copyOfSample("alpha.xls", "x.xls")).parent_path();
    {
        std::ofstream csv(dir + "/large.csv");
        for (int row = 0; row < 60000; ++row) csv << row << ',' << row * 2 << ',' << row * 3 << ",text " << row << '\n';
    }
    convertInto(dir, "xls", {dir + "/large.csv"});
    return dir + "/large.xls";
}

// Waits, up to `limit`, for `file` to appear; told by the file system, not by looking again.
bool waitForFile(const std::string& file, std::chrono::milliseconds limit) {
    const fs::path path(file);
    const int watch = inotify_init1(IN_CLOEXEC);
    if (watch < 0) return false;
    inotify_add_watch(watch, path.parent_path().c_str(), IN_CREATE | IN_MOVED_TO);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool seen = fs::exists(path);
    while (!seen) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{watch, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
        alignas(inotify_event) char events[4096];
        const ssize_t got = read(watch, events, sizeof events);
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            if (event->len > 0 && path.filename() == event->name) seen = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    close(watch);
    return seen;
}

TEST_F(OddNamesTest, OfficeKilledWhileLoadingIsReportedNamingTheFileAndTheLoadIsNotRepeated) {
    const std::string path = largeWorkbook();
    auto workbooks = office().globalObject(GlobalApp::Excel)->getObject("Application")->getObject("Workbooks");
    const int pid = office().officePid();
    ASSERT_GT(pid, 0);
    // The office makes its lock file as it starts loading: it is killed when that is seen, and
    // not before (the file system tells at once; the large file takes it seconds to load).
    std::atomic<bool> lockSeen{false};
    std::thread killer([&] {
        lockSeen = waitForFile(lockFilePathFor(path), std::chrono::seconds(60));
        if (lockSeen) kill(pid, SIGKILL);
    });
    try {
        workbooks->call("Open", excelOpenArgs(path), kLocaleUsEnglish);
        ADD_FAILURE() << (lockSeen ? "the load finished before the office was killed"
                                   : "the office made no lock file for the load");
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), errors::kServerGone) << e.description();
        EXPECT_NE(e.description().find("large.xls"), std::string::npos) << e.description();
        EXPECT_NE(e.description().find("ended"), std::string::npos) << e.description();
    }
    killer.join();
    ASSERT_TRUE(lockSeen) << "the office made no lock file for the load";
    // The next call starts a new office, where the file was not loaded behind the caller's back.
    EXPECT_FALSE(isOpen(path));
    EXPECT_NE(office().officePid(), pid);
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice::testing
