#include "automation/libreoffice/OfficeSession.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XFrames.hpp>
#include <com/sun/star/frame/XFramesSupplier.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XEventListener.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase1.hxx>
#include <rtl/bootstrap.hxx>
#include <rtl/ustring.hxx>

#include "automation/libreoffice/FileUrls.h"
#include "automation/libreoffice/Profile.h"

namespace vorrindel::automation::libreoffice {

namespace {

// Sets the flag when the bridge goes away, so the next call reconnects instead of failing.
class BridgeWatch : public cppu::WeakImplHelper1<css::lang::XEventListener> {
public:
    explicit BridgeWatch(std::shared_ptr<std::atomic<bool>> gone) : gone_(std::move(gone)) {}
    void SAL_CALL disposing(const css::lang::EventObject&) override { gone_->store(true); }

private:
    std::shared_ptr<std::atomic<bool>> gone_;
};

void disposeQuietly(const Reference<css::lang::XComponent>& component) {
    if (!component.is()) return;
    try {
        component->dispose();
    } catch (...) {
    }
}

std::string inTime(std::chrono::milliseconds limit) { return " within " + std::to_string(limit.count()) + " ms"; }

}  // namespace

OfficeSession::OfficeSession(LibreOfficeOptions options) : options_(std::move(options)) {
    if (options_.programDir.empty()) options_.programDir = "/usr/lib/libreoffice/program";
    if (options_.pipeName.empty()) {
        const char* display = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        options_.pipeName = sessionPipeName(options_.profileDir, std::string(display ? display : "") + "|" +
                                                                     (wayland ? wayland : ""));
    }
}

OfficeSession::~OfficeSession() { close(); }

void OfficeSession::close() {
    watchdog_.stop();
    std::shared_ptr<Connection> conn;
    Reference<uno::XComponentContext> local;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        conn = std::exchange(conn_, nullptr);
        local = std::exchange(local_, nullptr);
        for (auto& last : last_) last = {};
        fresh_.clear();
    }
    // The office stays for the user; only this process's end of the bridge goes.
    BrokenPipeSignalBlocked quiet;
    if (conn) {
        conn->gone->store(true);
        disposeQuietly(conn->bridge);
    }
    disposeQuietly(Reference<css::lang::XComponent>(local, UNO_QUERY));
    reapIfEnded(childPid_);
}

void OfficeSession::requireInstalled(DocKind kind) const {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path dir(options_.programDir);
    std::string package(packageFor(kind));
    if (!fs::exists(dir / "soffice", ec) || !fs::exists(dir / "soffice.bin", ec))
        throw AutomationError(errors::kCannotCreate,
                              std::string(appNameFor(kind)) + " is not installed: no LibreOffice in " +
                                  options_.programDir + " (install the Debian package " + package + ")");
    if (!fs::exists(dir / std::string(moduleFileFor(kind)), ec))
        throw AutomationError(errors::kCannotCreate, std::string(appNameFor(kind)) +
                                                         " is not installed (install the Debian package " +
                                                         package + ")");
}

void OfficeSession::beginRequest(Clock::time_point deadline) {
    deadline_.begin(deadline);
    watchdog_.wake();
}

void OfficeSession::endRequest() { deadline_.end(); }

void OfficeSession::cancelRequest() {
    deadline_.cancel();
    watchdog_.wake();
}

bool OfficeSession::inRequest() const { return deadline_.deadline() != Clock::time_point::max(); }

Watchdog::Limit OfficeSession::limitFor(std::chrono::milliseconds own) const {
    if (inRequest()) return [this] { return deadline_.deadline(); };
    const auto limit = Clock::now() + own;
    return [limit] { return limit; };
}

void OfficeSession::timedOut(const std::string& what, std::chrono::milliseconds own) {
    std::string cause = what + " in time; it may be stuck or showing a dialog";
    if (inRequest()) deadline_.expire(cause);
    throw AutomationError(errors::kTimeout, what + inTime(own) + "; it may be stuck or showing a dialog");
}

bool OfficeSession::officeEnded(std::exception_ptr e, const Connection& conn) {
    try {
        std::rethrow_exception(e);
    } catch (const AutomationError&) {
        if (conn.gone->load()) return true;
        throw;
    } catch (const css::lang::DisposedException& x) {
        // The bridge names itself as the disposed object when it went away before or during the
        // call; any other object is one the office closed.
        if (conn.gone->load() || (x.Context.is() && x.Context == conn.bridge)) return true;
        throw AutomationError(errors::kFailed, "the object is no longer available (it was closed): " + fromOU(x.Message));
    } catch (const uno::Exception& x) {
        if (conn.gone->load()) return true;
        throw AutomationError(errors::kFailed, "LibreOffice reported an error: " + fromOU(x.Message));
    } catch (const std::exception& x) {
        throw AutomationError(errors::kFailed, x.what());
    }
}

std::uint64_t OfficeSession::generation() const {
    std::lock_guard lock(mutex_);
    return conn_ ? conn_->generation : 0;
}

bool OfficeSession::connected() const {
    std::lock_guard lock(mutex_);
    return conn_ && !conn_->gone->load();
}

void OfficeSession::setOfficeEnvironment(std::function<Environment()> environment) {
    std::lock_guard lock(mutex_);
    officeEnvironment_ = std::move(environment);
}

void OfficeSession::dropConnection(const std::shared_ptr<Connection>& conn, bool dispose) {
    conn->gone->store(true);
    {
        std::lock_guard lock(mutex_);
        if (conn_ == conn) conn_.reset();
    }
    if (dispose) {
        BrokenPipeSignalBlocked quiet;
        disposeQuietly(conn->bridge);
    }
}

Reference<uno::XComponentContext> OfficeSession::localContext() {
    std::lock_guard lock(mutex_);
    if (local_.is()) return local_;
    // The runtime's own ini names the type and service registries; the office's fundamental ini,
    // which it refers to, is made the base of every lookup (without changing the environment).
    static std::once_flag base;
    std::call_once(base, [this] {
        rtl::Bootstrap::setIniFilename(toOU(fileUrlFromPath(options_.programDir + "/fundamentalrc")));
    });
    try {
        local_ = cppu::defaultBootstrap_InitialComponentContext(toOU(fileUrlFromPath(options_.programDir + "/unorc")));
    } catch (const uno::Exception& e) {
        throw AutomationError(errors::kCannotCreate,
                              "the UNO runtime of LibreOffice could not start: " + fromOU(e.Message));
    }
    return local_;
}

std::shared_ptr<Connection> OfficeSession::tryConnect(bool starting) {
    auto local = localContext();
    Reference<css::connection::XConnection> link;
    try {
        link = css::connection::Connector::create(local)->connect(toOU("pipe,name=" + options_.pipeName));
    } catch (const css::connection::NoConnectException&) {
        return nullptr;
    } catch (const uno::Exception& e) {
        throw AutomationError(errors::kFailed, "cannot connect to LibreOffice: " + fromOU(e.Message));
    }
    auto conn = std::make_shared<Connection>();
    conn->gone = std::make_shared<std::atomic<bool>>(false);
    // The bridge's threads start here and keep this thread's signal mask.
    BrokenPipeSignalBlocked quiet;
    auto bridge = css::bridge::BridgeFactory::create(local)->createBridge(OUString(), "urp", link, nullptr);
    conn->bridge.set(bridge, UNO_QUERY_THROW);
    conn->bridge->addEventListener(new BridgeWatch(conn->gone));
    // A stopped office accepts the pipe but never answers the handshake.
    auto watch = watchdog_.watch(limitFor(options_.callTimeout), [component = conn->bridge] { disposeQuietly(component); });
    try {
        conn->context.set(bridge->getInstance("StarOffice.ComponentContext"), UNO_QUERY_THROW);
        conn->desktop = css::frame::Desktop::create(conn->context);
        return conn;
    } catch (const uno::Exception& e) {
        watch.end();
        disposeQuietly(conn->bridge);
        if (watch.fired()) timedOut("the office did not accept the connection", options_.callTimeout);
        // An office on its way up or down refuses the bridge; the caller tries again.
        if (starting || conn->gone->load()) return nullptr;
        throw AutomationError(errors::kFailed, "cannot connect to LibreOffice: " + fromOU(e.Message));
    }
}

void OfficeSession::startOffice() {
    std::string folder = profileFolder(options_.profileDir);
    if (auto problem = profileProblem(folder))
        throw AutomationError(errors::kCannotCreate, "LibreOffice cannot start: " + *problem);
    std::vector<std::string> args{"--accept=pipe,name=" + options_.pipeName + ";urp;StarOffice.ComponentContext",
                                  "--nologo", "--nodefault", "--norestore"};
    if (!options_.profileDir.empty()) {
        seedPrivateProfile(options_.profileDir);
        args.push_back("-env:UserInstallation=" + fileUrlFromPath(options_.profileDir));
    }
    if (options_.headless) args.push_back("--headless");
    reapIfEnded(childPid_);
    std::string error;
    std::function<Environment()> provide;
    {
        std::lock_guard lock(mutex_);
        provide = officeEnvironment_;
    }
    Environment environment = provide ? provide() : Environment();
    int pid = spawnOffice(options_.programDir + "/soffice", args, environment, error);
    if (pid < 0) throw AutomationError(errors::kCannotCreate, error);
    childPid_ = pid;
}

std::shared_ptr<Connection> OfficeSession::connection() {
    {
        std::lock_guard lock(mutex_);
        if (closed_) throw AutomationError(errors::kServerGone, "the connection to LibreOffice has been closed");
        if (conn_ && !conn_->gone->load()) return conn_;
        conn_.reset();
    }
    deadline_.check();
    const auto startLimit = limitFor(options_.startTimeout);
    bool started = false;
    for (;;) {
        if (auto conn = tryConnect(started)) {
            // Ours only while the office runs under the launcher started here: a launcher that
            // found an office already starting handed the start over to it and ended.
            if (started) startedHere_ = childPid_ > 0 && parentOf(officePid()) == childPid_;
            std::lock_guard lock(mutex_);
            conn->generation = ++generations_;
            conn_ = conn;
            return conn;
        }
        if (!started) {
            startOffice();
            started = true;
        } else if (childPid_ > 0) {
            int status = 0;
            if (waitpid(childPid_, &status, WNOHANG) == childPid_) {
                childPid_ = 0;
                // A zero status is a start handed over to an office already running on the profile.
                bool failed = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
                if (failed && findOfficeProcess("pipe,name=" + options_.pipeName + ";") == 0)
                    throw AutomationError(errors::kCannotCreate, "LibreOffice ended while starting (status " +
                                                                     std::to_string(status) + ")");
            }
        }
        if (Clock::now() >= startLimit()) timedOut("LibreOffice did not start", options_.startTimeout);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
}

int OfficeSession::officePid() { return findOfficeProcess("pipe,name=" + options_.pipeName + ";"); }

bool OfficeSession::askToTerminate(const Connection& conn, std::chrono::seconds limit, bool onlyUnused) {
    // An office that does not answer in time loses its bridge, which ends the wait.
    BrokenPipeSignalBlocked quiet;
    auto watch = watchdog_.watch([until = Clock::now() + limit] { return until; },
                                 [bridge = conn.bridge] { disposeQuietly(bridge); });
    try {
        if (onlyUnused) {
            Reference<css::frame::XFramesSupplier> frames(conn.desktop, UNO_QUERY_THROW);
            if (frames->getFrames()->getCount() > 0) return false;  // the user has something open there
        }
        conn.desktop->terminate();
        return true;
    } catch (...) {
        return false;
    }
}

void OfficeSession::shutdown() {
    int pid = officePid();
    std::shared_ptr<Connection> conn;
    {
        std::lock_guard lock(mutex_);
        conn = conn_;
    }
    if (conn && !conn->gone->load()) askToTerminate(*conn, std::chrono::seconds(5), false);
    if (conn) dropConnection(conn, true);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (pid > 0 && kill(pid, 0) == 0 && std::chrono::steady_clock::now() < deadline) {
        reapIfEnded(childPid_);
        if (officePid() == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (pid > 0 && officePid() == pid) {
        kill(pid, SIGCONT);
        kill(pid, SIGKILL);
        for (int i = 0; i < 100 && officePid() == pid; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (int i = 0; i < 100 && childPid_ > 0 && !reapIfEnded(childPid_); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    childPid_ = 0;
}

void OfficeSession::endIfUnused() {
    std::shared_ptr<Connection> conn;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        conn = conn_;
    }
    const int pid = officePid();
    if (conn && !conn->gone->load()) {
        if (!startedHere_ || !askToTerminate(*conn, std::chrono::seconds(3), true)) return;
        dropConnection(conn, true);
    } else if (pid > 0 && childPid_ > 0 && parentOf(pid) == childPid_) {
        // Still starting under the launcher started here (the program is ending before the office
        // answered): nothing can be open there yet.
        kill(pid, SIGTERM);
    } else {
        return;
    }
    for (int i = 0; i < 100 && pid > 0 && officePid() == pid; ++i) {
        reapIfEnded(childPid_);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    reapIfEnded(childPid_);
}

void OfficeSession::rememberOpened(DocKind kind, const Reference<css::frame::XModel>& model,
                                   std::uint64_t generation) {
    std::lock_guard lock(mutex_);
    last_[static_cast<int>(kind)] = {model, generation};
}

Reference<css::frame::XModel> OfficeSession::lastOpened(DocKind kind, std::uint64_t generation) const {
    std::lock_guard lock(mutex_);
    const auto& last = last_[static_cast<int>(kind)];
    return last.generation == generation ? last.model : Reference<css::frame::XModel>();
}

void OfficeSession::markFreshlyLoaded(const Reference<css::frame::XModel>& model) {
    std::lock_guard lock(mutex_);
    fresh_ = model;
    freshSince_ = std::chrono::steady_clock::now();
}

bool OfficeSession::isFreshlyLoaded(const Reference<css::frame::XModel>& model) const {
    // Long enough for one request's calls; the user may have raised other windows after that.
    constexpr auto kFresh = std::chrono::seconds(2);
    std::lock_guard lock(mutex_);
    return model.is() && fresh_.is() && model == fresh_ && std::chrono::steady_clock::now() - freshSince_ < kFresh;
}

}  // namespace vorrindel::automation::libreoffice
