#pragma once
// The automation contract: what the openers rely on from any office behind the boundary, checked
// the same way against every backend. A backend takes part with a traits class of static members
// and one line in a source file of its own:
//
//   struct MyTraits {
//       // The office under test, with no document open; each test starts with this call.
//       static automation::OfficeAutomation& office();
//       // Absolute path of an existing file of that kind; `which` 0 and 1 give two different
//       // names.
//       static std::string sample(contract::Kind kind, int which);
//       // A file with that kind's extension that its application cannot open.
//       static std::string unopenable(contract::Kind kind);
//       // Every call into the office hangs from now on, as behind a stuck application, until
//       // unstick(); where the backend cannot cut a stuck call short, only for kStuckFor, after
//       // which the office answers again.
//       static void stick(automation::OfficeAutomation& office);
//       static void unstick(automation::OfficeAutomation& office);
//       // Whether a call still waiting for the office at the request's deadline, or when the
//       // request is cancelled, is cut short there. Where it is not (COM under Wine, which has no
//       // call cancellation), such a call ends when the office answers, still as timed out.
//       static bool cutsStuckCalls(automation::OfficeAutomation& office);
//   };
//   INSTANTIATE_TYPED_TEST_SUITE_P(Mine, AutomationContract, MyTraits);

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "automation/Automation.h"

namespace vorrindel::contract {

enum class Kind { Workbook, Document, Presentation };

// How long stick() holds an office whose calls are not cut short (longer than any deadline here).
inline constexpr auto kStuckFor = std::chrono::seconds(3);

template <class Traits>
class AutomationContract : public ::testing::Test {
protected:
    void SetUp() override { office_ = &Traits::office(); }
    void TearDown() override {
        if (!office_) return;  // SetUp failed: there is no office to tidy up
        // A test that failed half-way must not leave the next one a stuck office.
        office_->endRequest();
        Traits::unstick(*office_);
    }
    automation::OfficeAutomation& office() { return *office_; }

private:
    automation::OfficeAutomation* office_ = nullptr;
};

TYPED_TEST_SUITE_P(AutomationContract);

// The cases, for each application the openers drive through a collection of documents (Excel,
// Word, PowerPoint), called as the openers call them.
namespace detail {

using automation::Args;
using automation::AutomationError;
using automation::Clock;
using automation::GlobalApp;
using automation::ObjectRef;
using automation::OfficeAutomation;
using automation::Value;
namespace errors = automation::errors;

struct Application {
    Kind kind;
    std::string_view progId;
    std::optional<GlobalApp> global;  // whose collection the openers use, where there is one
    const char* collection;
    std::optional<int> locale;
    Value visible;  // the application's own true
    int maximized;
    bool itemByStem;  // documents are named without their extension
};

inline const Application kApplications[] = {
    {Kind::Workbook, automation::kExcelApplication, GlobalApp::Excel, "Workbooks", automation::kLocaleUsEnglish,
     Value::boolean(true), -4137, false},
    {Kind::Document, automation::kWordApplication, GlobalApp::Word, "Documents", std::nullopt, Value::boolean(true), 1, false},
    {Kind::Presentation, automation::kPowerPointApplication, std::nullopt, "Presentations", std::nullopt, Value::integer(1), 3,
     true},
};

inline const Application& word() { return kApplications[1]; }

inline Args openArgs(const Application& app, const std::string& path) {
    switch (app.kind) {
    case Kind::Workbook: {  // ReadOnly false third, the other options omitted
        Args args{Value::text(path), Value::omitted(), Value::boolean(false)};
        args.resize(13, Value::omitted());
        return args;
    }
    case Kind::Document: {
        Args args{Value::text(path)};
        args.resize(10, Value::omitted());
        return args;
    }
    case Kind::Presentation:  // read-only false, untitled false, with a window
        return {Value::text(path), Value::boolean(false), Value::boolean(false), Value::boolean(true)};
    }
    return {};
}

inline Args closeArgs(const Application& app) { return app.kind == Kind::Presentation ? Args{} : Args(3, Value::omitted()); }

inline std::string fileName(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }

// The name a document is found by.
inline std::string itemName(const Application& app, const std::string& path) {
    std::string name = fileName(path);
    return app.itemByStem ? name.substr(0, name.find_last_of('.')) : name;
}

inline std::string withCase(std::string s, int (*change)(int)) {
    std::transform(s.begin(), s.end(), s.begin(), [change](unsigned char c) { return static_cast<char>(change(c)); });
    return s;
}

// The error code a call fails with; 0 when it succeeds.
inline std::int32_t failure(const std::function<void()>& call) {
    try {
        call();
    } catch (const AutomationError& e) {
        return e.code();
    }
    return 0;
}

inline AutomationError errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const AutomationError& e) {
        return e;
    }
    ADD_FAILURE() << "the call succeeded";
    return AutomationError(0, "");
}

// The calls of one application, as the openers make them.
class Calls {
public:
    Calls(OfficeAutomation& office, const Application& app)
        : office_(office), app_(app), created_(office.createObject(app.progId)) {}

    // The collection through the created application.
    ObjectRef documents() { return created_->getObject(app_.collection); }
    // The collection as another request would reach it: through the global object, or a new
    // application object where there is none.
    ObjectRef documentsElsewhere() {
        if (app_.global == GlobalApp::Excel)
            return office_.globalObject(GlobalApp::Excel)->getObject("Application")->getObject(app_.collection);
        if (app_.global) return office_.globalObject(*app_.global)->getObject(app_.collection);
        return office_.createObject(app_.progId)->getObject(app_.collection);
    }
    ObjectRef open(const std::string& path) {
        return documents()->call("Open", openArgs(app_, path), app_.locale).asObject();
    }
    ObjectRef item(const std::string& name) { return documents()->get("Item", {Value::text(name)}).asObject(); }
    void close(const ObjectRef& document) { document->call("Close", closeArgs(app_), app_.locale); }
    bool isOpen(const std::string& path) { return failure([&] { item(itemName(app_, path)); }) == 0; }
    ObjectRef created() { return created_; }

private:
    OfficeAutomation& office_;
    const Application& app_;
    ObjectRef created_;
};

inline long long milliseconds(Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); }

// How long a call into a stuck office may take, with a little slack: where the backend cuts stuck
// calls short, until soon after `cut` (the deadline, or a cancel); elsewhere until the office
// answers by itself.
template <class Traits>
long long stuckCallLimit(OfficeAutomation& office, Clock::duration cut) {
    return milliseconds((Traits::cutsStuckCalls(office) ? cut : Clock::duration(kStuckFor)) + std::chrono::seconds(1));
}

// The calls of a request after one of its calls timed out, with the office maybe still stuck: each
// fails as timed out, at once.
inline void expectTheRestOfTheRequestFailsAtOnce(OfficeAutomation& office, Calls& calls, const Application& app,
                                                 const std::string& path) {
    const auto start = Clock::now();
    EXPECT_EQ(failure([&] { calls.open(path); }), errors::kTimeout);
    EXPECT_EQ(failure([&] { office.createObject(app.progId); }), errors::kTimeout);
    EXPECT_LT(milliseconds(Clock::now() - start), 500) << "a later call waited for the office";
}

// After a request that ran out of time, the next one starts afresh and opens the file.
inline void expectTheNextRequestWorks(OfficeAutomation& office, const Application& app, const std::string& path) {
    office.beginRequest(Clock::now() + std::chrono::seconds(60));
    Calls calls(office, app);
    EXPECT_EQ(failure([&] { calls.open(path); }), 0) << "the next request";
    office.endRequest();
    EXPECT_TRUE(calls.isOpen(path));
}

}  // namespace detail

using namespace detail;

TYPED_TEST_P(AutomationContract, ItemFindsAnOpenDocumentByNameWithLetterCaseIgnored) {
    for (const auto& app : kApplications) {
        SCOPED_TRACE(app.progId);
        Calls calls(this->office(), app);
        const std::string path = TypeParam::sample(app.kind, 0);
        calls.open(path);
        for (const std::string& name : {itemName(app, path), withCase(itemName(app, path), ::toupper),
                                        withCase(itemName(app, path), ::tolower)})
            EXPECT_EQ(failure([&] { calls.item(name); }), 0) << name;
        calls.close(calls.item(itemName(app, path)));
    }
}

TYPED_TEST_P(AutomationContract, ItemOfAnyOtherNameIsNotFound) {
    for (const auto& app : kApplications) {
        SCOPED_TRACE(app.progId);
        Calls calls(this->office(), app);
        const std::string path = TypeParam::sample(app.kind, 0);
        calls.open(path);
        const std::string name = itemName(app, path);
        // A part of the name, a space more, a file not open, and the name with its extension
        // where documents go without (or without it where they go with it).
        const std::string other = app.itemByStem ? fileName(path) : name.substr(0, name.find_last_of('.'));
        for (const std::string& wrong :
             {std::string(), name.substr(1), name + " ", itemName(app, TypeParam::sample(app.kind, 1)), other})
            EXPECT_EQ(failure([&] { calls.item(wrong); }), errors::kNotFound) << '"' << wrong << '"';
        calls.close(calls.item(name));
    }
}

TYPED_TEST_P(AutomationContract, OpenReturnsTheDocumentWhoseCloseClosesItOnce) {
    for (const auto& app : kApplications) {
        SCOPED_TRACE(app.progId);
        Calls calls(this->office(), app);
        const std::string path = TypeParam::sample(app.kind, 1);
        ObjectRef document = calls.open(path);
        EXPECT_TRUE(calls.isOpen(path));
        calls.close(document);
        EXPECT_FALSE(calls.isOpen(path));
        EXPECT_NE(failure([&] { calls.close(document); }), 0) << "closed a document twice";
    }
}

TYPED_TEST_P(AutomationContract, SameFileOpenedTwiceIsOneDocument) {
    for (const auto& app : kApplications) {
        SCOPED_TRACE(app.progId);
        Calls calls(this->office(), app);
        const std::string path = TypeParam::sample(app.kind, 0);
        calls.open(path);
        calls.open(path);
        calls.close(calls.item(itemName(app, path)));
        EXPECT_FALSE(calls.isOpen(path));
    }
}

TYPED_TEST_P(AutomationContract, TheNextRequestFindsAndClosesThePreviousDocumentByName) {
    for (const auto& app : kApplications) {
        SCOPED_TRACE(app.progId);
        const std::string first = TypeParam::sample(app.kind, 0), second = TypeParam::sample(app.kind, 1);
        Calls(this->office(), app).open(first);
        Calls next(this->office(), app);
        next.documentsElsewhere()->get("Item", {Value::text(itemName(app, first))}).asObject()->call(
            "Close", closeArgs(app), app.locale);
        next.open(second);
        EXPECT_FALSE(next.isOpen(first));
        EXPECT_TRUE(next.isOpen(second));
        next.close(next.item(itemName(app, second)));
    }
}

TYPED_TEST_P(AutomationContract, WordCountsOnlyItsOpenDocuments) {
    auto count = [&] { return this->office().globalObject(GlobalApp::Word)->getObject("Documents")->get("Count").asInteger(); };
    EXPECT_EQ(count(), 0);
    Calls excel(this->office(), kApplications[0]);
    excel.open(TypeParam::sample(Kind::Workbook, 0));
    EXPECT_EQ(count(), 0);
    Calls calls(this->office(), word());
    ObjectRef one = calls.open(TypeParam::sample(Kind::Document, 0));
    calls.open(TypeParam::sample(Kind::Document, 1));
    EXPECT_EQ(count(), 2);
    calls.close(one);
    EXPECT_EQ(count(), 1);
}

TYPED_TEST_P(AutomationContract, ShowingAndMaximisingWorkWithAndWithoutADocument) {
    for (const auto& app : kApplications) {
        SCOPED_TRACE(app.progId);
        Calls calls(this->office(), app);
        auto showAndMaximise = [&] {
            calls.created()->put("Visible", app.visible, app.locale);
            calls.created()->put("WindowState", Value::integer(app.maximized), app.locale);
        };
        EXPECT_EQ(failure(showAndMaximise), 0) << "no document open";
        calls.open(TypeParam::sample(app.kind, 0));
        EXPECT_EQ(failure(showAndMaximise), 0) << "a document open";
    }
}

TYPED_TEST_P(AutomationContract, UnopenableFileFailsNamingItAndTheNextOpenWorks) {
    for (const auto& app : kApplications) {
        SCOPED_TRACE(app.progId);
        Calls calls(this->office(), app);
        const std::string bad = TypeParam::unopenable(app.kind);
        AutomationError error = errorOf([&] { calls.open(bad); });
        EXPECT_EQ(error.code(), errors::kFailed) << error.description();
        EXPECT_NE(error.description().find(fileName(bad)), std::string::npos) << error.description();
        EXPECT_FALSE(calls.isOpen(bad));
        const std::string good = TypeParam::sample(app.kind, 0);
        calls.open(good);
        EXPECT_TRUE(calls.isOpen(good));
    }
}

TYPED_TEST_P(AutomationContract, StuckCallEndsAtTheDeadlineAndTheRestOfTheRequestFailsAtOnce) {
    OfficeAutomation& office = this->office();
    const auto& app = kApplications[0];
    Calls calls(office, app);
    const std::string path = TypeParam::sample(app.kind, 0);
    constexpr auto kLimit = std::chrono::milliseconds(1500);
    TypeParam::stick(office);
    const auto start = Clock::now();
    office.beginRequest(start + kLimit);
    EXPECT_EQ(failure([&] { calls.item(itemName(app, path)); }), errors::kTimeout);
    const long long took = milliseconds(Clock::now() - start);
    EXPECT_GE(took, milliseconds(kLimit)) << "gave up before the deadline";
    EXPECT_LT(took, stuckCallLimit<TypeParam>(office, kLimit));
    expectTheRestOfTheRequestFailsAtOnce(office, calls, app, path);
    office.endRequest();
    TypeParam::unstick(office);
    expectTheNextRequestWorks(office, app, path);
}

TYPED_TEST_P(AutomationContract, CancelFromAnotherThreadEndsAStuckCallPromptly) {
    OfficeAutomation& office = this->office();
    const auto& app = kApplications[1];
    Calls calls(office, app);
    const std::string path = TypeParam::sample(app.kind, 0);
    constexpr auto kCancelAfter = std::chrono::milliseconds(200);
    TypeParam::stick(office);
    const auto start = Clock::now();
    office.beginRequest(start + std::chrono::seconds(120));
    std::thread canceller([&office, cancelAt = start + kCancelAfter] {
        std::this_thread::sleep_until(cancelAt);
        office.cancelRequest();
    });
    EXPECT_EQ(failure([&] { calls.open(path); }), errors::kTimeout);
    EXPECT_LT(milliseconds(Clock::now() - start), stuckCallLimit<TypeParam>(office, kCancelAfter))
        << "the call waited for its deadline";
    canceller.join();
    expectTheRestOfTheRequestFailsAtOnce(office, calls, app, path);
    office.endRequest();
    TypeParam::unstick(office);
    expectTheNextRequestWorks(office, app, path);
}

REGISTER_TYPED_TEST_SUITE_P(AutomationContract, ItemFindsAnOpenDocumentByNameWithLetterCaseIgnored,
                            ItemOfAnyOtherNameIsNotFound, OpenReturnsTheDocumentWhoseCloseClosesItOnce,
                            SameFileOpenedTwiceIsOneDocument, TheNextRequestFindsAndClosesThePreviousDocumentByName,
                            WordCountsOnlyItsOpenDocuments, ShowingAndMaximisingWorkWithAndWithoutADocument,
                            UnopenableFileFailsNamingItAndTheNextOpenWorks,
                            StuckCallEndsAtTheDeadlineAndTheRestOfTheRequestFailsAtOnce,
                            CancelFromAnotherThreadEndsAStuckCallPromptly);

}  // namespace vorrindel::contract
