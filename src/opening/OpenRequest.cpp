#include "opening/OpenRequest.h"

#include <algorithm>
#include <exception>
#include <string_view>

#include "opening/DocumentType.h"

namespace vorrindel::opening {

using automation::Args;
using automation::AutomationError;
using automation::Dispatch;
using automation::GlobalApp;
using automation::ObjectRef;
using automation::Value;

namespace {

constexpr int kExcelLocale = automation::kLocaleUsEnglish;
constexpr int kExcelMaximized = -4137;
constexpr int kWordMaximized = 1;
constexpr int kPowerPointMaximized = 3;
constexpr int kPowerPointTrue = 1;  // PowerPoint's own truth value for Visible, not the automation -1
constexpr int kAccessQuitSaveAll = 1;

// A step outside resume-next mode: its failure ends the request. The cause is prefixed with what
// the step was doing, unless the backend's description already says so.
template <class Step>
decltype(auto) unhandled(std::string_view doing, Step&& step) {
    try {
        return step();
    } catch (const AutomationError& e) {
        std::string description = e.description();
        if (description.starts_with(doing)) throw;
        throw AutomationError(e.code(), std::string(doing) + ": " + description);
    }
}

// An object variable that was never set, as when an earlier step that should have filled it was
// skipped: using it is a failure like any other.
Dispatch& use(const ObjectRef& object) {
    if (!object) throw AutomationError(automation::errors::kFailed, "object variable not set");
    return *object;
}

Args omittedArgs(std::size_t count) { return Args(count, Value::omitted()); }

// The file name less its last four characters (the extension with its dot).
std::string withoutExtension(const std::string& fileName) {
    return fileName.size() >= 4 ? fileName.substr(0, fileName.size() - 4) : std::string();
}

std::string cannotCreate(std::string_view name) { return "cannot create \"" + std::string(name) + '"'; }

// A report is one line, whatever the backend put in its description.
std::string report(std::string_view type, std::string_view cause) {
    std::string line = std::string(type) + ": " + std::string(cause);
    std::replace_if(line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return line;
}

std::string quoted(const std::string& s) { return '"' + s + '"'; }

// A created application object; its failure ends the request.
ObjectRef create(automation::OfficeAutomation& office, std::string_view name) {
    return unhandled(cannotCreate(name), [&] {
        ObjectRef app = office.createObject(name);
        use(app);
        return app;
    });
}

}  // namespace

OpenRequest::OpenRequest(automation::OfficeAutomation& office, Picker& picker)
    : office_(office), picker_(picker) {}

const PreviousFiles& OpenRequest::previousFiles() const { return previous_; }

Dispatch& OpenRequest::global(GlobalApp app) {
    ObjectRef& held = app == GlobalApp::Excel ? excelGlobal_ : app == GlobalApp::Word ? wordGlobal_ : accessGlobal_;
    if (!held) held = office_.globalObject(app);
    return use(held);
}

std::optional<std::string> OpenRequest::File1_Click() {
    // The type is read afresh for each comparison; at most one can match.
    std::optional<std::string> outcome;
    for (const DocumentType& type : kDocumentTypes) {
        if (picker_.typeText() == type.name) outcome = run(type);
    }
    return outcome;
}

std::optional<std::string> OpenRequest::openWorkbook() { return run(kWorkbookType); }

std::optional<std::string> OpenRequest::run(const DocumentType& type) {
    skipped_.reset();
    try {
        (this->*type.open)();
    } catch (const AutomationError& e) {
        return report(type.name, e.description());
    } catch (const std::exception& e) {
        // Not an automation failure, but still no reason to end the program.
        return report(type.name, e.what());
    }
    if (skipped_) return report(type.name, *skipped_);
    return std::nullopt;
}

void OpenRequest::resumeNext(const std::function<void()>& step, const std::string& reportAs) {
    try {
        step();
    } catch (const AutomationError& e) {
        const bool timedOut = e.code() == automation::errors::kTimeout;
        if (skipped_ || (reportAs.empty() && !timedOut)) return;
        const std::string cause = e.description();
        skipped_ = reportAs.empty() || cause.starts_with(reportAs) ? cause : reportAs + ": " + cause;
    }
}

void OpenRequest::loadsheet() {
    const ObjectRef created = create(office_, automation::kExcelApplication);
    ObjectRef workbook;

    if (picker_.checkValue() == 0) {
        // Runs even before any workbook was opened: the empty name is simply not found.
        resumeNext([&] {
            ObjectRef app = global(GlobalApp::Excel).getObject("Application");
            ObjectRef workbooks = app->getObject("Workbooks");
            ObjectRef previous = workbooks->get("Item", {Value::text(previous_.lastWorkbook)}).asObject();
            previous->call("Close", omittedArgs(3), kExcelLocale);
        });
    }
    const std::string path = SelectedFilePath(picker_.dirPath(), picker_.fileName());
    resumeNext(
        [&] {
            ObjectRef app = global(GlobalApp::Excel).getObject("Application");
            ObjectRef workbooks = app->getObject("Workbooks");
            // File name, then UpdateLinks omitted, ReadOnly false, and the other ten options omitted.
            Args args{Value::text(path), Value::omitted(), Value::boolean(false)};
            args.resize(13, Value::omitted());
            workbook = workbooks->call("Open", args, kExcelLocale).asObject();
        },
        "cannot open " + quoted(path));
    // Recorded even when the open failed.
    previous_.lastWorkbook = picker_.fileName();
    resumeNext([&] {
        ObjectRef app = use(workbook).getObject("Application");
        app->put("Visible", Value::boolean(true), kExcelLocale);
    });
    resumeNext([&] { use(created).put("WindowState", Value::integer(kExcelMaximized), kExcelLocale); });
    picker_.show();

    // The workbook goes first, then the created application as this call ends.
    workbook.reset();
}

void OpenRequest::openDocument() {
    const std::int32_t count = unhandled("cannot count the open documents", [&] {
        ObjectRef documents = global(GlobalApp::Word).getObject("Documents");
        return documents->get("Count").asInteger();
    });

    ObjectRef created;
    const std::string path = SelectedFilePath(picker_.dirPath(), picker_.fileName());
    const auto open = [&](Dispatch& application) {
        ObjectRef documents = application.getObject("Documents");
        Args args{Value::text(path)};
        args.resize(10, Value::omitted());
        documents->call("Open", args);
    };
    if (count == 0 && previous_.wordStarted == 0) {
        created = create(office_, automation::kWordApplication);
        unhandled("cannot show the application", [&] { created->put("Visible", Value::boolean(true)); });
        previous_.wordStarted = 1;
        resumeNext([&] { open(*created); }, "cannot open " + quoted(path));
    } else {
        if (picker_.checkValue() == 0) {
            resumeNext([&] {
                ObjectRef documents = global(GlobalApp::Word).getObject("Documents");
                ObjectRef previous = documents->get("Item", {Value::text(previous_.lastDocument)}).asObject();
                previous->call("Close", omittedArgs(3));
            });
        }
        resumeNext([&] { open(global(GlobalApp::Word)); }, "cannot open " + quoted(path));
        resumeNext([&] { global(GlobalApp::Word).getObject("Application")->put("Visible", Value::boolean(true)); });
        resumeNext([&] { global(GlobalApp::Word).getObject("Application")->call("Activate"); });
    }
    previous_.lastDocument = picker_.fileName();
    // Only a Word this request started has a created application; a reused Word keeps its window
    // state, the step being skipped for want of the object.
    resumeNext([&] { use(created).put("WindowState", Value::integer(kWordMaximized)); });
    picker_.show();
}

void OpenRequest::openPresentation() {
    // No step here is allowed to fail: the first failure ends the request.
    const ObjectRef app = create(office_, automation::kPowerPointApplication);
    unhandled("cannot show the application", [&] { app->put("Visible", Value::integer(kPowerPointTrue)); });
    unhandled("cannot activate the application", [&] { app->call("Activate"); });

    if (picker_.checkValue() == 0 && !previous_.lastPresentation.empty()) {
        unhandled("cannot close " + quoted(previous_.lastPresentation), [&] {
            ObjectRef presentations = app->getObject("Presentations");
            ObjectRef previous;
            try {
                previous = presentations->get("Item", {Value::text(previous_.lastPresentation)}).asObject();
            } catch (const AutomationError& e) {
                // Closed already (by the user, say): there is nothing to close. Stopping here
                // would refuse every later presentation, as the name would never change.
                if (e.code() != automation::errors::kNotFound) throw;
                return;
            }
            previous->call("Close");
        });
    }
    const std::string path = SelectedFilePath(picker_.dirPath(), picker_.fileName());
    unhandled("cannot open " + quoted(path), [&] {
        ObjectRef presentations = app->getObject("Presentations");
        // Read-only false, untitled false, with a window.
        presentations->call("Open",
                            {Value::text(path), Value::boolean(false), Value::boolean(false), Value::boolean(true)});
    });
    // PowerPoint knows a presentation by its name without the extension.
    previous_.lastPresentation = withoutExtension(picker_.fileName());
    unhandled("cannot maximise the application",
              [&] { app->put("WindowState", Value::integer(kPowerPointMaximized)); });
    picker_.show();
}

void OpenRequest::openDatabase() {
    // No step here is allowed to fail: the first failure ends the request.
    const ObjectRef app = create(office_, automation::kAccessApplication);
    unhandled("cannot show the application", [&] { app->put("Visible", Value::boolean(true)); });

    if (picker_.checkValue() == 0 && !previous_.lastDatabase.empty()) {
        // The global object reaches the Access holding the database opened last, not this
        // request's new one: close that database and quit that Access.
        unhandled("cannot close the previous database", [&] { global(GlobalApp::Access).call("CloseCurrentDatabase"); });
        unhandled("cannot quit the previous Access",
                  [&] { global(GlobalApp::Access).call("Quit", {Value::integer(kAccessQuitSaveAll)}); });
    }
    const std::string path = SelectedFilePath(picker_.dirPath(), picker_.fileName());
    unhandled("cannot open " + quoted(path),
              [&] { app->call("OpenCurrentDatabase", {Value::text(path), Value::boolean(false)}); });
    previous_.lastDatabase = picker_.fileName();
    picker_.show();
}

}  // namespace vorrindel::opening
