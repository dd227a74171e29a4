#include "automation/libreoffice/LibreOfficeAutomation.h"

#include "automation/libreoffice/AccessObjects.h"
#include "automation/libreoffice/Documents.h"
#include "automation/libreoffice/FileUrls.h"
#include "automation/libreoffice/LockFiles.h"
#include "automation/libreoffice/Profile.h"
#include "automation/libreoffice/Members.h"
#include "automation/libreoffice/OfficeSession.h"
#include "automation/libreoffice/OfficeThread.h"

namespace vorrindel::automation::libreoffice {

namespace {

// The members each application's objects answer: exactly the calls the openers make.
enum class Role { Global, Application, Collection, Document };

bool answers(DocKind kind, Role role, std::string_view member, Access access) {
    struct Entry {
        DocKind kind;
        Role role;
        const char* member;
        Access access;
    };
    using enum DocKind;
    using enum Role;
    static constexpr Entry table[] = {
        {Spreadsheet, Global, "Application", Access::Get},
        {Spreadsheet, Application, "Workbooks", Access::Get},
        {Spreadsheet, Application, "Visible", Access::Put},
        {Spreadsheet, Application, "WindowState", Access::Put},
        {Spreadsheet, Collection, "Item", Access::Get},
        {Spreadsheet, Collection, "Open", Access::Method},
        {Spreadsheet, Document, "Close", Access::Method},
        {Spreadsheet, Document, "Application", Access::Get},
        {Text, Global, "Documents", Access::Get},
        {Text, Global, "Application", Access::Get},
        {Text, Application, "Documents", Access::Get},
        {Text, Application, "Visible", Access::Put},
        {Text, Application, "WindowState", Access::Put},
        {Text, Application, "Activate", Access::Method},
        {Text, Collection, "Count", Access::Get},
        {Text, Collection, "Item", Access::Get},
        {Text, Collection, "Open", Access::Method},
        {Text, Document, "Close", Access::Method},
        {Presentation, Application, "Visible", Access::Put},
        {Presentation, Application, "Activate", Access::Method},
        {Presentation, Application, "Presentations", Access::Get},
        {Presentation, Application, "WindowState", Access::Put},
        {Presentation, Collection, "Item", Access::Get},
        {Presentation, Collection, "Open", Access::Method},
        {Presentation, Document, "Close", Access::Method},
    };
    for (const auto& e : table)
        if (e.kind == kind && e.role == role && e.access == access && named(member, e.member)) return true;
    return false;
}

std::string_view collectionName(DocKind kind) {
    switch (kind) {
    case DocKind::Spreadsheet: return "Workbooks";
    case DocKind::Text: return "Documents";
    case DocKind::Presentation: return "Presentations";
    case DocKind::Database: break;  // Access has no collection here
    }
    return "";
}

// The window states each application takes, by its own numbering.
WindowShow windowShowFor(DocKind kind, std::int32_t state) {
    switch (kind) {
    case DocKind::Spreadsheet:
        if (state == -4137) return WindowShow::Maximized;
        if (state == -4140) return WindowShow::Minimized;
        if (state == -4143) return WindowShow::Normal;
        break;
    case DocKind::Text:
        if (state == 1) return WindowShow::Maximized;
        if (state == 2) return WindowShow::Minimized;
        if (state == 0) return WindowShow::Normal;
        break;
    case DocKind::Presentation:
        if (state == 3) return WindowShow::Maximized;
        if (state == 2) return WindowShow::Minimized;
        if (state == 1) return WindowShow::Normal;
        break;
    case DocKind::Database: break;
    }
    throw AutomationError(errors::kBadArgument, "unknown window state " + std::to_string(state));
}

// Which document an application object acts on when it shows or activates its window.
struct AppState {
    std::mutex mutex;
    ModelRef last;
    std::uint64_t generation = 0;

    void set(const ModelRef& model, std::uint64_t gen) {
        std::lock_guard lock(mutex);
        last = model;
        generation = gen;
    }
    ModelRef get(std::uint64_t gen) {
        std::lock_guard lock(mutex);
        return generation == gen ? last : ModelRef();
    }
};

using SessionPtr = std::shared_ptr<OfficeSession>;
using StatePtr = std::shared_ptr<AppState>;

class ApplicationObject;

class DocumentObject final : public Dispatch {
public:
    DocumentObject(SessionPtr session, DocKind kind, ModelRef model, std::uint64_t generation)
        : session_(std::move(session)), kind_(kind), model_(std::move(model)), generation_(generation) {}

    Value invoke(std::string_view member, Access access, const Args& args, std::optional<int>) override;

private:
    SessionPtr session_;
    DocKind kind_;
    ModelRef model_;
    std::uint64_t generation_;
};

class CollectionObject final : public Dispatch {
public:
    CollectionObject(SessionPtr session, DocKind kind, StatePtr state)
        : session_(std::move(session)), kind_(kind), state_(std::move(state)) {}

    Value invoke(std::string_view member, Access access, const Args& args, std::optional<int>) override {
        session_->checkDeadline();
        if (!answers(kind_, Role::Collection, member, access)) noMember(collectionName(kind_), member, access);
        if (named(member, "Item")) return item(args);
        if (named(member, "Count")) {
            auto kind = kind_;
            return Value::integer(session_->call<std::int32_t>(
                [kind](const Connection& conn) { return static_cast<std::int32_t>(documentsOf(conn, kind).size()); }));
        }
        return open(args);
    }

private:
    Value item(const Args& args) {
        if (args.empty()) throw AutomationError(errors::kBadArgument, "Item needs the name of a document");
        auto session = session_;
        auto kind = kind_;
        const Value& key = args[0];
        std::string name = key.asText();
        return session->call<Value>([session, kind, name](const Connection& conn) {
            auto model = findByName(conn, kind, name);
            if (!model.is())
                throw AutomationError(errors::kNotFound,
                                      "no open " + std::string(kindNoun(kind)) + " is named \"" + name + "\"");
            return Value::object(std::make_shared<DocumentObject>(session, kind, model, conn.generation));
        });
    }

    Value open(const Args& args) {
        if (args.empty() || !args[0].isText())
            throw AutomationError(errors::kBadArgument, "Open needs the file name first");
        std::string path = resolveOpenPath(args[0].asText());
        LoadOptions options;
        // Workbooks and documents take ReadOnly third, presentations second; a presentation opened
        // without a window is loaded hidden. A workbook goes to the recent files only when asked
        // (AddToMru, thirteenth), a document unless asked not to (AddToRecentFiles, fourth).
        options.readOnly = optionalFlag(args, kind_ == DocKind::Presentation ? 1 : 2, false);
        if (kind_ == DocKind::Presentation) options.hidden = !optionalFlag(args, 3, true);
        if (kind_ == DocKind::Spreadsheet) options.recent = optionalFlag(args, 12, false);
        if (kind_ == DocKind::Text) options.recent = optionalFlag(args, 3, true);
        auto session = session_;
        auto kind = kind_;
        std::string ownProfile = profileUrlFor(session->options().profileDir);
        try {
            // Already open: bring it forward rather than load a second copy.
            auto model = session->call<ModelRef>([path, ownProfile](const Connection& conn) {
                ModelRef open = findByPath(conn, path);
                if (open.is())
                    runOnOfficeThread(conn, [open] { activateWindow(open); });
                else
                    removeStaleLock(path, ownProfile);
                return open;
            });
            if (!model.is()) {
                model = session->call<ModelRef>(
                    [session, kind, path, options](const Connection& conn) {
                        ModelRef loaded = onOfficeThread<ModelRef>(
                            conn, [&conn, path, options] { return loadDocument(conn, path, options); });
                        requireKind(loaded, kind);
                        session->markFreshlyLoaded(loaded);
                        return loaded;
                    },
                    CallKind::Load, "loading it");
            }
            return opened(model);
        } catch (const AutomationError& e) {
            std::string prefix = "cannot open \"" + path + "\"";
            if (e.description().starts_with(prefix)) throw;
            throw AutomationError(e.code(), prefix + ": " + e.description());
        }
    }

    Value opened(const ModelRef& model) {
        auto generation = session_->generation();
        state_->set(model, generation);
        session_->rememberOpened(kind_, model, generation);
        return Value::object(std::make_shared<DocumentObject>(session_, kind_, model, generation));
    }

    SessionPtr session_;
    DocKind kind_;
    StatePtr state_;
};

class ApplicationObject : public Dispatch {
public:
    ApplicationObject(SessionPtr session, DocKind kind, StatePtr state, bool global = false)
        : session_(std::move(session)), kind_(kind), state_(std::move(state)), global_(global) {}

    Value invoke(std::string_view member, Access access, const Args& args, std::optional<int>) override {
        session_->checkDeadline();
        if (!answers(kind_, global_ ? Role::Global : Role::Application, member, access))
            noMember(std::string(appNameFor(kind_)) + (global_ ? " global object" : " application"), member, access);
        if (named(member, collectionName(kind_)))
            return Value::object(std::make_shared<CollectionObject>(session_, kind_, state_));
        if (named(member, "Application"))
            return Value::object(std::make_shared<ApplicationObject>(session_, kind_, std::make_shared<AppState>()));
        if (named(member, "Visible")) {
            bool visible = putValue(args, member).asBool() != 0;
            onWindow([visible](const ModelRef& doc, bool) { showWindow(doc, visible); });
            return {};
        }
        if (named(member, "WindowState")) {
            WindowShow show = windowShowFor(kind_, putValue(args, member).asInteger());
            onWindow([show](const ModelRef& doc, bool) { setWindowShow(doc, show); });
            return {};
        }
        onWindow([](const ModelRef& doc, bool fresh) { activateWindow(doc, !fresh); });  // Activate
        return {};
    }

private:
    // Runs `action` on the window of this application's current document; with no document of
    // its kind open there is no window, and nothing to do.
    template <class F>
    void onWindow(F action) {
        auto session = session_;
        auto state = state_;
        auto kind = kind_;
        session->call<bool>([session, state, kind, action](const Connection& conn) {
            auto doc = currentDocument(conn, kind, state->get(conn.generation),
                                       session->lastOpened(kind, conn.generation));
            if (doc.is()) {
                const bool fresh = session->isFreshlyLoaded(doc);
                runOnOfficeThread(conn, [action, doc, fresh] { action(doc, fresh); });
            }
            return true;
        });
    }

    SessionPtr session_;
    DocKind kind_;
    StatePtr state_;
    bool global_;
};

Value DocumentObject::invoke(std::string_view member, Access access, const Args&, std::optional<int>) {
    session_->checkDeadline();
    if (!answers(kind_, Role::Document, member, access)) noMember(kindNoun(kind_), member, access);
    if (named(member, "Application")) {
        auto state = std::make_shared<AppState>();
        state->set(model_, generation_);
        return Value::object(std::make_shared<ApplicationObject>(session_, kind_, state));
    }
    // Close
    if (session_->generation() != generation_)
        throw AutomationError(errors::kServerGone,
                              "the office this " + std::string(kindNoun(kind_)) + " was open in has ended");
    auto model = model_;
    session_->call<bool>(
        [model](const Connection& conn) {
            runOnOfficeThread(conn, [model] { closeDocument(model); });
            return true;
        },
        CallKind::Bound);
    return {};
}

std::optional<DocKind> kindForProgId(std::string_view name) {
    if (named(name, kExcelApplication)) return DocKind::Spreadsheet;
    if (named(name, kWordApplication)) return DocKind::Text;
    if (named(name, kPowerPointApplication)) return DocKind::Presentation;
    if (named(name, kAccessApplication)) return DocKind::Database;
    return std::nullopt;
}

}  // namespace

LibreOfficeAutomation::LibreOfficeAutomation(LibreOfficeOptions options)
    : session_(std::make_shared<OfficeSession>(std::move(options))),
      access_(std::make_shared<AccessSetup>(session_->options())) {
    // Every office started here sees the Access driver, whatever it is started for first.
    session_->setOfficeEnvironment([access = access_] { return access->officeEnvironment(); });
}

// Objects handed out may still hold the session; the office connection ends here all the same.
LibreOfficeAutomation::~LibreOfficeAutomation() {
    if (session_->options().endUnusedOffice) session_->endIfUnused();
    session_->close();
}

void LibreOfficeAutomation::prepare(std::string_view name) {
    auto kind = kindForProgId(name);
    if (!kind) return;
    session_->requireInstalled(*kind);
    if (*kind == DocKind::Database) access_->registration();
    auto& warmed = warmed_[static_cast<int>(*kind)];
    if (session_->connected() && warmed == session_->generation()) return;  // this office has it loaded
    warmed = session_->call<std::uint64_t>([kind = *kind](const Connection& conn) {
        runOnOfficeThread(conn, [&conn, kind] { warmUp(conn, kind); });
        return conn.generation;
    });
}

ObjectRef LibreOfficeAutomation::createObject(std::string_view name) {
    auto kind = kindForProgId(name);
    if (!kind)
        throw AutomationError(errors::kCannotCreate, "no application is named \"" + std::string(name) + "\"");
    session_->checkDeadline();
    session_->requireInstalled(*kind);
    if (*kind == DocKind::Database) access_->registration();
    session_->connection();
    if (*kind == DocKind::Database) return makeAccessApplication(session_, access_);
    return std::make_shared<ApplicationObject>(session_, *kind, std::make_shared<AppState>());
}

ObjectRef LibreOfficeAutomation::globalObject(GlobalApp app) {
    // Closing a database needs no office that is not running already.
    if (app == GlobalApp::Access) return makeAccessGlobal(session_);
    const DocKind kind = app == GlobalApp::Excel ? DocKind::Spreadsheet : DocKind::Text;
    session_->checkDeadline();
    session_->requireInstalled(kind);
    session_->connection();
    return std::make_shared<ApplicationObject>(session_, kind, std::make_shared<AppState>(), true);
}

void LibreOfficeAutomation::beginRequest(Clock::time_point deadline) { session_->beginRequest(deadline); }
void LibreOfficeAutomation::endRequest() { session_->endRequest(); }
void LibreOfficeAutomation::cancelRequest() { session_->cancelRequest(); }

int LibreOfficeAutomation::officePid() const { return session_->officePid(); }

void LibreOfficeAutomation::shutdownOffice() { session_->shutdown(); }

OfficeSession& LibreOfficeAutomation::session() { return *session_; }

std::unique_ptr<LibreOfficeAutomation> makeLibreOfficeAutomation(LibreOfficeOptions options) {
    return std::make_unique<LibreOfficeAutomation>(std::move(options));
}

}  // namespace vorrindel::automation::libreoffice
