#include "automation/libreoffice/AccessObjects.h"

#include <filesystem>
#include <fstream>

#include "automation/libreoffice/Databases.h"
#include "automation/libreoffice/Documents.h"
#include "automation/libreoffice/FileUrls.h"
#include "automation/libreoffice/LockFiles.h"
#include "automation/libreoffice/Profile.h"
#include "automation/libreoffice/LibreOfficeAutomation.h"
#include "automation/libreoffice/Members.h"
#include "automation/libreoffice/OfficeSession.h"
#include "automation/libreoffice/OfficeThread.h"
#include "mdbodbc/AccessFile.h"

namespace vorrindel::automation::libreoffice {

namespace fs = std::filesystem;

AccessSetup::AccessSetup(const LibreOfficeOptions& options)
    : programDir_(options.programDir),
      cacheDir_(programFolder(options.cacheDir, "XDG_CACHE_HOME", ".cache")),
      dataDir_(programFolder(options.dataDir, "XDG_DATA_HOME", ".local/share")) {}

Environment AccessSetup::officeEnvironment() {
    try {
        return registration().environment;
    } catch (const AutomationError&) {
        return {};
    }
}

AccessDriverRegistration AccessSetup::registration() {
    std::lock_guard lock(mutex_);
    if (registration_) return *registration_;
    auto missing = [](const std::string& what) {
        return AutomationError(errors::kCannotCreate, "Access databases cannot be opened: " + what);
    };
    std::error_code ec;
    if (!fs::exists(fs::path(programDir_) / "libodbclo.so", ec))
        throw missing("LibreOffice's ODBC connector is not installed (install the Debian package "
                      "libreoffice-base-drivers)");
    if (auto problem = accessDriverProblem()) throw missing(*problem);
    std::string error;
    auto written = writeAccessDriverRegistration(dataDir_, *findAccessDriver(), error);
    if (!written) throw missing("the Access driver cannot be registered: " + error);
    registration_ = std::move(*written);
    return *registration_;
}

namespace {

using SessionPtr = std::shared_ptr<OfficeSession>;

// Runs `action` on a database window while it is still open. An office that has ended took the
// window with it: nothing is started to find that out.
template <class Action>
void onOpenDatabase(OfficeSession& session, const ModelRef& model, std::uint64_t generation, Action action) {
    if (!model.is() || !session.connected() || session.generation() != generation) return;
    session.call<bool>(
        [&](const Connection& conn) {
            if (conn.generation == generation && stillOpen(conn, model))
                runOnOfficeThread(conn, [&action, &model] { action(model); });
            return true;
        },
        CallKind::Bound);
}

bool isAccessFile(const std::string& path) {
    char header[32] = {};
    std::ifstream in(path, std::ios::binary);
    in.read(header, sizeof header);
    return vorrindel::mdbodbc::looksLikeAccessDatabase(std::string_view(header, static_cast<std::size_t>(in.gcount())));
}

// The driver names the file at the start of its reasons; the report names it already.
std::string causeFor(const std::string& path, const std::string& reason) {
    if (reason.starts_with(path + " ")) return "it" + reason.substr(path.size());
    return reason;
}

class AccessApplication final : public Dispatch {
public:
    AccessApplication(SessionPtr session, std::shared_ptr<AccessSetup> setup)
        : session_(std::move(session)), setup_(std::move(setup)) {}

    Value invoke(std::string_view member, Access access, const Args& args, std::optional<int>) override {
        session_->checkDeadline();
        if (access == Access::Put && named(member, "Visible")) {
            // Before a database is open there is no window yet: the open shows it, or not.
            visible_ = putValue(args, member).asBool() != 0;
            onOpenDatabase(*session_, database_, generation_,
                           [visible = visible_](const ModelRef& model) { showWindow(model, visible); });
            return {};
        }
        if (access == Access::Method && named(member, "OpenCurrentDatabase")) {
            open(args);
            return {};
        }
        noMember("Access application", member, access);
    }

private:
    // Exclusive, the second argument, keeps others from opening the file meanwhile; nothing here
    // writes to it, so no one is kept out.
    void open(const Args& args) {
        if (args.empty() || !args[0].isText())
            throw AutomationError(errors::kBadArgument, "OpenCurrentDatabase needs the file name first");
        if (database_.is())
            throw AutomationError(errors::kFailed, "this Access application has a database open already");
        const std::string path = resolveOpenPath(args[0].asText());
        try {
            if (!isAccessFile(path)) throw AutomationError(errors::kFailed, "it is not an Access database (.mdb) file");
            const std::string url = accessConnectionUrl(setup_->registration(), path);
            const std::string name = fs::path(path).filename().string();
            const std::string cache = setup_->cacheDir();
            const bool hidden = !visible_;
            database_ = session_->call<ModelRef>(
                [&](const Connection& conn) {
                    std::string document = databaseDocumentFor(conn.context, path, url, cache);
                    return onOfficeThread<ModelRef>(conn, [&conn, document, name, hidden] {
                        // Open already (the box ticked, the same file clicked again): shown again.
                        ModelRef shown = findByPath(conn, document);
                        if (shown.is() && !hidden) activateWindow(shown);
                        if (!shown.is()) shown = openDatabaseDocument(conn.context, conn.desktop, document, name, hidden);
                        if (!hidden) setWindowShow(shown, WindowShow::Maximized);
                        return shown;
                    });
                },
                CallKind::Load, "loading it");
        } catch (const AutomationError& e) {
            throw AutomationError(e.code(), "cannot open \"" + path + "\": " + causeFor(path, e.description()));
        }
        generation_ = session_->generation();
        session_->rememberOpened(DocKind::Database, database_, generation_);
    }

    SessionPtr session_;
    std::shared_ptr<AccessSetup> setup_;
    // Access shows its window only when asked; a window no one can see would help no one here.
    bool visible_ = true;
    ModelRef database_;
    std::uint64_t generation_ = 0;
};

class AccessGlobal final : public Dispatch {
public:
    explicit AccessGlobal(SessionPtr session) : session_(std::move(session)) {}

    Value invoke(std::string_view member, Access access, const Args& args, std::optional<int>) override {
        session_->checkDeadline();
        if (access == Access::Method && named(member, "CloseCurrentDatabase")) {
            closeLast();
            return {};
        }
        if (access == Access::Method && named(member, "Quit")) {
            // Prompt (0), save all (1, the default) or save nothing (2): alike for a read-only
            // database.
            if (args.size() > 0 && !args[0].isOmitted() && (args[0].asInteger() < 0 || args[0].asInteger() > 2))
                throw AutomationError(errors::kBadArgument, "Quit takes 0, 1 or 2, not " + args[0].describe());
            closeLast();
            return {};
        }
        noMember("Access global object", member, access);
    }

private:
    void closeLast() {
        const auto generation = session_->generation();
        onOpenDatabase(*session_, session_->lastOpened(DocKind::Database, generation), generation,
                       [](const ModelRef& model) { closeDatabaseDocument(model); });
        session_->rememberOpened(DocKind::Database, {}, 0);
    }

    SessionPtr session_;
};

}  // namespace

ObjectRef makeAccessApplication(std::shared_ptr<OfficeSession> session, std::shared_ptr<AccessSetup> setup) {
    return std::make_shared<AccessApplication>(std::move(session), std::move(setup));
}

ObjectRef makeAccessGlobal(std::shared_ptr<OfficeSession> session) {
    return std::make_shared<AccessGlobal>(std::move(session));
}

}  // namespace vorrindel::automation::libreoffice
