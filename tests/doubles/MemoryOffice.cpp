#include "MemoryOffice.h"

#include "common/Text.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace vorrindel::testing {

using automation::Access;
using automation::Args;
using automation::AutomationError;
using automation::GlobalApp;
using automation::ObjectRef;
using automation::Value;
namespace errors = automation::errors;

namespace {

std::string baseName(std::string_view path) {
    const auto slash = path.find_last_of(static_cast<char>(std::filesystem::path::preferred_separator));
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string stem(std::string_view fileName) {
    const auto dot = fileName.find_last_of('.');
    return std::string(dot == std::string_view::npos ? fileName : fileName.substr(0, dot));
}

std::string_view accessName(Access access) {
    switch (access) {
    case Access::Method: return "method";
    case Access::Get: return "get";
    case Access::Put: return "put";
    }
    return "?";
}

struct AppSpec {
    std::string_view name;  // automation name, spelled as the openers pass it
    std::string_view collection;
    std::string_view document;
    bool oneInstance;
    bool itemByStem;
};

constexpr AppSpec kApps[] = {
    {automation::kExcelApplication, "Workbooks", "Workbook", true, false},
    {automation::kWordApplication, "Documents", "Document", true, false},
    {automation::kPowerPointApplication, "Presentations", "Presentation", true, true},
    {automation::kAccessApplication, "", "", false, false},
};

const AppSpec* findApp(std::string_view name) {
    for (const AppSpec& app : kApps)
        if (equalsIgnoringAsciiCase(app.name, name)) return &app;
    return nullptr;
}

const AppSpec& appOf(GlobalApp app) {
    return kApps[app == GlobalApp::Excel ? 0 : app == GlobalApp::Word ? 1 : 3];
}

std::string globalLabel(GlobalApp app) { return "global(" + std::string(automation::globalAppName(app)) + ")"; }

}  // namespace

struct Instance {
    const AppSpec* app = nullptr;
    int number = 0;
    bool running = true;
    bool visible = false;
    std::optional<int> windowState;
    std::vector<std::string> documents;
    std::string currentDatabase;

    std::string label() const { return std::string(app->name) + "#" + std::to_string(number); }

    std::vector<std::string>::iterator find(std::string_view name) {
        return std::find_if(documents.begin(), documents.end(), [&](const std::string& doc) {
            return equalsIgnoringAsciiCase(app->itemByStem ? stem(doc) : doc, name);
        });
    }
};

struct MemoryOffice::State {
    struct Fault {
        std::string kind;
        std::string member;
        Times times;
        std::int32_t code;
    };

    std::vector<std::unique_ptr<Instance>> instances;  // never removed, so pointers stay valid
    std::vector<std::string> log;
    std::vector<Fault> faults;
    std::vector<Fault> creationFaults;  // member unused
    Instance* lastDatabase = nullptr;   // the Access the Access global object reaches
    std::map<std::string, std::string> refused;  // path -> cause

    // The only members other threads touch (cancelRequest, unstick).
    automation::RequestDeadline deadline;
    std::mutex stuckMutex;
    std::condition_variable stuckChanged;
    bool stuck = false;
    std::vector<std::string> prepared;  // under stuckMutex: tests read it from their own thread

    // What every call goes through first: a request out of time fails it, a stuck application
    // holds it until unstuck or, inside a request, until the deadline.
    void enter() {
        deadline.check();
        std::unique_lock lock(stuckMutex);
        while (stuck) {
            const auto limit = deadline.deadline();
            if (automation::Clock::now() >= limit) deadline.expire("the application did not answer in time");
            if (limit == automation::Clock::time_point::max())
                stuckChanged.wait(lock);
            else
                stuckChanged.wait_until(lock, limit);
        }
    }

    void changeStuck(bool value) {
        std::lock_guard lock(stuckMutex);
        stuck = value;
        stuckChanged.notify_all();
    }

    // A waiting call looks at the limit again.
    void wake() {
        std::lock_guard lock(stuckMutex);
        stuckChanged.notify_all();
    }

    Instance& startInstance(const AppSpec& app) {
        int number = 1;
        for (const auto& instance : instances)
            if (instance->app == &app) ++number;
        auto instance = std::make_unique<Instance>();
        instance->app = &app;
        instance->number = number;
        instances.push_back(std::move(instance));
        return *instances.back();
    }

    Instance* oldestRunning(const AppSpec& app) {
        for (const auto& instance : instances)
            if (instance->app == &app && instance->running) return instance.get();
        return nullptr;
    }

    Instance& runningOrStarted(const AppSpec& app) {
        if (Instance* running = oldestRunning(app)) return *running;
        Instance& started = startInstance(app);
        log.push_back("start " + started.label());
        return started;
    }

    Instance* byLabel(std::string_view label) const {
        for (const auto& instance : instances)
            if (instance->label() == label) return instance.get();
        return nullptr;
    }

    Instance& existing(std::string_view label) const {
        if (Instance* instance = byLabel(label)) return *instance;
        throw std::invalid_argument("no instance " + std::string(label));
    }

    static bool takeFault(std::vector<Fault>& list, std::string_view kind, std::string_view member,
                          std::int32_t& code) {
        for (auto it = list.begin(); it != list.end(); ++it) {
            if (!equalsIgnoringAsciiCase(it->kind, kind) || it->member != member) continue;
            code = it->code;
            if (it->times == Times::Once) list.erase(it);
            return true;
        }
        return false;
    }
};

namespace {

using State = MemoryOffice::State;

// One object handed out. It names what it stands for; the state it acts on lives in State.
class Object final : public automation::Dispatch {
public:
    enum class Kind { Application, Collection, Document, Global };

    Object(std::shared_ptr<State> state, Kind kind, Instance* instance, std::string document = {},
           std::optional<GlobalApp> global = std::nullopt)
        : state_(std::move(state)), kind_(kind), instance_(instance), document_(std::move(document)), global_(global) {}

    ~Object() override { state_->log.push_back("release " + label()); }

    Value invoke(std::string_view member, Access access, const Args& args, std::optional<int> locale) override {
        Instance* target = kind_ == Kind::Global ? reach() : instance_;
        std::string line = label() + (kind_ == Kind::Global ? "->" + (target ? target->label() : "nothing") : "") +
                           "." + std::string(member) + " " + std::string(accessName(access)) + " (";
        for (std::size_t i = 0; i < args.size(); ++i) line += (i ? ", " : "") + args[i].describe();
        line += ")";
        if (locale) line += " @" + std::to_string(*locale);
        state_->log.push_back(line);
        const std::size_t at = state_->log.size() - 1;
        try {
            state_->enter();
            std::int32_t code = 0;
            if (State::takeFault(state_->faults, kindName(), member, code))
                throw AutomationError(code, "injected failure of " + std::string(member));
            return perform(target, member, access, args);
        } catch (const AutomationError&) {
            state_->log[at] += " -> failed";
            throw;
        }
    }

private:
    std::string label() const {
        switch (kind_) {
        case Kind::Application: return instance_->label();
        case Kind::Collection: return instance_->label() + "." + std::string(instance_->app->collection);
        case Kind::Document: return instance_->label() + "[" + document_ + "]";
        case Kind::Global: return globalLabel(*global_);
        }
        return "?";
    }

    std::string kindName() const {
        switch (kind_) {
        case Kind::Application: return std::string(instance_->app->name);
        case Kind::Collection: return std::string(instance_->app->collection);
        case Kind::Document: return std::string(instance_->app->document);
        case Kind::Global: return globalLabel(*global_);
        }
        return "?";
    }

    // The instance a global object acts on at this use.
    Instance* reach() {
        if (*global_ == GlobalApp::Access)
            return state_->lastDatabase && state_->lastDatabase->running ? state_->lastDatabase : nullptr;
        return &state_->runningOrStarted(appOf(*global_));
    }

    ObjectRef make(Kind kind, Instance* instance, std::string document = {}) {
        return std::make_shared<Object>(state_, kind, instance, std::move(document));
    }

    static AutomationError noMember(std::string_view member) {
        return AutomationError(errors::kMemberNotFound, "unknown member " + std::string(member));
    }

    static const Value& argument(const Args& args, std::size_t i) {
        if (i >= args.size()) throw AutomationError(errors::kBadArgument, "argument missing");
        return args[i];
    }

    Value perform(Instance* target, std::string_view member, Access access, const Args& args) {
        if (!target) {
            // Only the Access global reaches nothing; closing and quitting then have nothing to do.
            if (member == "CloseCurrentDatabase" || member == "Quit") return {};
            throw AutomationError(errors::kServerGone, "no Access is running");
        }
        if (!target->running) throw AutomationError(errors::kServerGone, target->label() + " no longer runs");
        switch (kind_) {
        case Kind::Global:
        case Kind::Application: return application(*target, member, access, args);
        case Kind::Collection: return collection(*target, member, access, args);
        case Kind::Document: return document(*target, member, access);
        }
        throw noMember(member);
    }

    Value application(Instance& app, std::string_view member, Access access, const Args& args) {
        if (access == Access::Get && member == "Application") return Value::object(make(Kind::Application, &app));
        if (access == Access::Get && !app.app->collection.empty() && member == app.app->collection)
            return Value::object(make(Kind::Collection, &app));
        if (access == Access::Put && member == "Visible") {
            app.visible = argument(args, 0).asBool() != 0;
            return {};
        }
        if (access == Access::Put && member == "WindowState") {
            app.windowState = argument(args, 0).asInteger();
            return {};
        }
        if (access == Access::Method && member == "Activate") return {};
        if (access == Access::Method && app.app == findApp(automation::kAccessApplication)) {
            if (member == "OpenCurrentDatabase") {
                if (!app.currentDatabase.empty())
                    throw AutomationError(errors::kFailed, "a database is already open");
                app.currentDatabase = argument(args, 0).asText();
                state_->lastDatabase = &app;
                return {};
            }
            if (member == "CloseCurrentDatabase") {
                app.currentDatabase.clear();
                return {};
            }
            if (member == "Quit") {
                app.running = false;
                app.currentDatabase.clear();
                return {};
            }
        }
        throw noMember(member);
    }

    Value collection(Instance& app, std::string_view member, Access access, const Args& args) {
        if (access == Access::Get && member == "Count")
            return Value::integer(static_cast<std::int32_t>(app.documents.size()));
        if (access == Access::Get && member == "Item") {
            const std::string& name = argument(args, 0).asText();
            const auto it = app.find(name);
            if (it == app.documents.end()) throw AutomationError(errors::kNotFound, "no document \"" + name + '"');
            return Value::object(make(Kind::Document, &app, *it));
        }
        if (access == Access::Method && member == "Open") {
            const std::string& path = argument(args, 0).asText();
            if (auto refused = state_->refused.find(path); refused != state_->refused.end())
                throw AutomationError(errors::kFailed, "cannot open \"" + path + "\": " + refused->second);
            const std::string name = baseName(path);
            auto it = std::find_if(app.documents.begin(), app.documents.end(),
                                   [&](const std::string& doc) { return equalsIgnoringAsciiCase(doc, name); });
            if (it == app.documents.end()) it = app.documents.insert(app.documents.end(), name);
            return Value::object(make(Kind::Document, &app, *it));
        }
        throw noMember(member);
    }

    Value document(Instance& app, std::string_view member, Access access) {
        const auto it = std::find(app.documents.begin(), app.documents.end(), document_);
        if (it == app.documents.end()) throw AutomationError(errors::kServerGone, document_ + " is no longer open");
        if (access == Access::Get && member == "Application") return Value::object(make(Kind::Application, &app));
        if (access == Access::Method && member == "Close") {
            app.documents.erase(it);
            return {};
        }
        throw noMember(member);
    }

    std::shared_ptr<State> state_;
    Kind kind_;
    Instance* instance_;
    std::string document_;
    std::optional<GlobalApp> global_;
};

}  // namespace

MemoryOffice::MemoryOffice() : state_(std::make_shared<State>()) {}
MemoryOffice::~MemoryOffice() = default;

ObjectRef MemoryOffice::createObject(std::string_view name) {
    const std::string line = "create \"" + std::string(name) + '"';
    std::int32_t code = 0;
    const AppSpec* app = findApp(name);
    try {
        state_->enter();
    } catch (const AutomationError&) {
        state_->log.push_back(line + " -> failed");
        throw;
    }
    if (!app || State::takeFault(state_->creationFaults, name, "", code)) {
        state_->log.push_back(line + " -> failed");
        throw AutomationError(app ? code : errors::kCannotCreate, "not installed");
    }
    Instance& instance = app->oneInstance ? state_->runningOrStarted(*app) : state_->startInstance(*app);
    if (!app->oneInstance) state_->log.push_back("start " + instance.label());
    state_->log.push_back(line + " = " + instance.label());
    return std::make_shared<Object>(state_, Object::Kind::Application, &instance);
}

void MemoryOffice::beginRequest(automation::Clock::time_point deadline) {
    state_->deadline.begin(deadline);
    state_->wake();
}

void MemoryOffice::endRequest() { state_->deadline.end(); }

void MemoryOffice::prepare(std::string_view name) {
    std::lock_guard lock(state_->stuckMutex);
    state_->prepared.emplace_back(name);
}

std::vector<std::string> MemoryOffice::prepared() const {
    std::lock_guard lock(state_->stuckMutex);
    return state_->prepared;
}

void MemoryOffice::cancelRequest() {
    state_->deadline.cancel();
    state_->wake();
}

ObjectRef MemoryOffice::globalObject(GlobalApp app) {
    const std::string label = globalLabel(app);
    std::int32_t code = 0;
    try {
        state_->enter();
    } catch (const AutomationError&) {
        state_->log.push_back("get " + label + " -> failed");
        throw;
    }
    if (State::takeFault(state_->creationFaults, label, "", code)) {
        state_->log.push_back("get " + label + " -> failed");
        throw AutomationError(code, "cannot reach " + label);
    }
    state_->log.push_back("get " + label);
    return std::make_shared<Object>(state_, Object::Kind::Global, nullptr, std::string(), app);
}

const std::vector<std::string>& MemoryOffice::log() const { return state_->log; }

std::vector<std::string> MemoryOffice::takeLog() { return std::exchange(state_->log, {}); }

void MemoryOffice::failOn(std::string_view kind, std::string_view member, Times times, std::int32_t code) {
    state_->faults.push_back({std::string(kind), std::string(member), times, code});
}

void MemoryOffice::failCreation(std::string_view name, Times times) {
    state_->creationFaults.push_back({std::string(name), "", times, errors::kCannotCreate});
}

void MemoryOffice::refuseFile(std::string_view path, std::string_view cause) {
    state_->refused[std::string(path)] = std::string(cause);
}

void MemoryOffice::stick() { state_->changeStuck(true); }
void MemoryOffice::unstick() { state_->changeStuck(false); }

std::string MemoryOffice::start(std::string_view automationName) {
    const AppSpec* app = findApp(automationName);
    if (!app) throw std::invalid_argument("no application " + std::string(automationName));
    return state_->startInstance(*app).label();
}

void MemoryOffice::openByHand(std::string_view instance, std::string_view fileName) {
    state_->existing(instance).documents.emplace_back(fileName);
}

void MemoryOffice::closeByHand(std::string_view instance, std::string_view fileName) {
    std::erase(state_->existing(instance).documents, std::string(fileName));
}

void MemoryOffice::kill(std::string_view instance) {
    Instance& killed = state_->existing(instance);
    killed.running = false;
    killed.documents.clear();
    killed.currentDatabase.clear();
}

bool MemoryOffice::isRunning(std::string_view instance) const { return state_->existing(instance).running; }

std::vector<std::string> MemoryOffice::runningInstances(std::string_view automationName) const {
    std::vector<std::string> running;
    for (const auto& instance : state_->instances)
        if (instance->running && equalsIgnoringAsciiCase(instance->app->name, automationName))
            running.push_back(instance->label());
    return running;
}

std::vector<std::string> MemoryOffice::documents(std::string_view instance) const {
    return state_->existing(instance).documents;
}

std::string MemoryOffice::currentDatabase(std::string_view instance) const {
    return state_->existing(instance).currentDatabase;
}

bool MemoryOffice::isVisible(std::string_view instance) const { return state_->existing(instance).visible; }

std::optional<int> MemoryOffice::windowState(std::string_view instance) const {
    return state_->existing(instance).windowState;
}

}  // namespace vorrindel::testing
