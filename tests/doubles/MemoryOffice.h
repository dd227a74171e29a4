#pragma once
// An office held in memory, for tests: Excel, Word, PowerPoint and Access instances that start,
// open documents by name and quit, behind the automation boundary. Every operation that crosses
// the boundary, and every release of an object, is written to a log, one line each:
//
//   start excel.application#1                       an instance starts (by creation or a global)
//   create "excel.application" = excel.application#1
//   get global(Excel)                               the global object is handed out
//   global(Excel)->excel.application#1.Application get ()
//   excel.application#1.Workbooks.Item get ("a.xls") -> failed
//   excel.application#1.WindowState put (-4137) @1033
//   excel.application#1[a.xls].Close method (<omitted>, <omitted>, <omitted>) @1033
//   release excel.application#1[a.xls]
//
// Objects are named by instance ("<automation name>#<n>"), collection ("<instance>.Workbooks") and
// document ("<instance>[<file name>]"); a global object by "global(<App>)", followed at each use by
// the instance it reached ("->nothing" when none). Arguments are shown with Value::describe().
//
// Behaviour, where the real applications leave a choice:
// - Excel, Word and PowerPoint run one instance each: creating one attaches to the oldest running
//   instance of that application, or starts one. Access starts a new instance for every creation.
// - The Excel and Word global objects reach, at each use, the oldest running instance of their
//   application and start one when none runs (so they re-attach after an instance has gone).
// - The Access global object reaches, at each use, the instance in which a database was last
//   opened, while it runs; when none runs, CloseCurrentDatabase and Quit succeed doing nothing.
// - Item finds a document by its file name, ignoring letter case; PowerPoint by the name less its
//   extension. Open adds the file name of the path given (once, if already open).
// - Releasing an application object leaves its instance running, as a shown application would.
// - Between beginRequest() and endRequest() every call checks the request's deadline: once it has
//   passed, or a call of the request timed out, calls fail at once with kTimeout (logged as
//   failed). While stuck (stick()), calls hang until unstick(), or inside a request until its
//   deadline or cancelRequest(), which may come from another thread.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/Automation.h"

namespace vorrindel::testing {

// The tests that drive the in-memory office name its applications.
using automation::kExcelApplication;
using automation::kWordApplication;
using automation::kPowerPointApplication;
using automation::kAccessApplication;

enum class Times { Once, Always };

class MemoryOffice final : public automation::OfficeAutomation {
public:
    MemoryOffice();
    ~MemoryOffice() override;

    automation::ObjectRef createObject(std::string_view name) override;
    automation::ObjectRef globalObject(automation::GlobalApp app) override;
    void beginRequest(automation::Clock::time_point deadline) override;
    void endRequest() override;
    void cancelRequest() override;
    void prepare(std::string_view name) override;

    // The log, in order.
    const std::vector<std::string>& log() const;
    // The log so far, which is then emptied.
    std::vector<std::string> takeLog();

    // Makes `member` fail on objects of `kind`: an automation name ("PowerPoint.Application") for
    // application objects, "Workbooks"/"Documents"/"Presentations" for collections,
    // "Workbook"/"Document"/"Presentation" for documents, "global(Access)" and so on for globals.
    void failOn(std::string_view kind, std::string_view member, Times times = Times::Once,
                std::int32_t code = automation::errors::kFailed);
    // Makes creation fail: an automation name (any letter case) or a global, "global(Word)".
    void failCreation(std::string_view name, Times times = Times::Always);
    // Makes Open of that path fail with kFailed, naming the file and `cause`.
    void refuseFile(std::string_view path, std::string_view cause);
    // Makes every call hang as a stuck application does, until unstick().
    void stick();
    void unstick();

    // What a user does by hand: start an instance (returns its name, "word.application#1"), open or
    // close a document in it, or end it abruptly.
    std::string start(std::string_view automationName);
    void openByHand(std::string_view instance, std::string_view fileName);
    void closeByHand(std::string_view instance, std::string_view fileName);
    void kill(std::string_view instance);

    // Inspection.
    bool isRunning(std::string_view instance) const;
    std::vector<std::string> runningInstances(std::string_view automationName) const;
    std::vector<std::string> documents(std::string_view instance) const;  // in the order opened
    std::string currentDatabase(std::string_view instance) const;       // Access: its path, or ""
    bool isVisible(std::string_view instance) const;
    std::optional<int> windowState(std::string_view instance) const;
    // The applications got ready ahead of requests, in order.
    std::vector<std::string> prepared() const;

    struct State;

private:
    std::shared_ptr<State> state_;  // shared with the objects handed out, which may outlive this
};

}  // namespace vorrindel::testing
