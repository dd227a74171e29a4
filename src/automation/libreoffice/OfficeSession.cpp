#include "automation/libreoffice/OfficeSession.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XEventListener.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase1.hxx>
#include <rtl/ustring.hxx>

namespace vorrindel::automation::libreoffice {

namespace uno = css::uno;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {


// Sets the flag when the bridge goes away, so the next call reconnects instead of failing.
class BridgeWatch : public cppu::WeakImplHelper1<css::lang::XEventListener> {
public:
    explicit BridgeWatch(std::shared_ptr<std::atomic<bool>> gone) : gone_(std::move(gone)) {}
    void SAL_CALL disposing(const css::lang::EventObject&) override { gone_->store(true); }

private:
    std::shared_ptr<std::atomic<bool>> gone_;
};

// The UNO runtime of this process, started once and kept.
Reference<uno::XComponentContext> localContext(const std::string& programDir) {
    static std::mutex mutex;
    static Reference<uno::XComponentContext> context;
    std::lock_guard lock(mutex);
    if (context.is()) return context;
    // Without it the runtime cannot find the office's type and service registries.
    if (!std::getenv("URE_BOOTSTRAP")) {
        std::string rc = "vnd.sun.star.pathname:" + programDir + "/fundamentalrc";
        setenv("URE_BOOTSTRAP", rc.c_str(), 1);
    }
    try {
        context = cppu::defaultBootstrap_InitialComponentContext();
    } catch (const uno::Exception& e) {
        throw AutomationError(errors::kCannotCreate,
                              "the UNO runtime of LibreOffice could not start: " + fromOU(e.Message));
    }
    return context;
}

void disposeDetached(Reference<css::lang::XComponent> bridge) {
    if (!bridge.is()) return;
    // Disposing ends the calls waiting on the bridge; it must not hold up the caller itself.
    std::thread([bridge] {
        try {
            bridge->dispose();
        } catch (...) {
        }
    }).detach();
}

}  // namespace

void blockBrokenPipeSignal() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
}

namespace {

// The bridge names itself in its own failures (the office died, the pipe broke); the
// flag set by its disposal may come a moment later than the failed call.
bool bridgeFailure(const std::string& message) {
    for (const char* word : {"URP", "bridge", "Bridge"})
        if (message.find(word) != std::string::npos) return true;
    return false;
}

}  // namespace

void rethrowAsAutomationError(std::exception_ptr e, const Connection* conn) {
    bool bridgeGone = conn && conn->gone->load();
    try {
        std::rethrow_exception(e);
    } catch (const AutomationError&) {
        throw;
    } catch (const OfficeGone&) {
        throw;
    } catch (const css::lang::DisposedException& x) {
        std::string msg = fromOU(x.Message);
        if (bridgeGone || bridgeFailure(msg)) throw OfficeGone{};
        throw AutomationError(errors::kFailed, "the object is no longer available (it was closed): " + msg);
    } catch (const uno::RuntimeException& x) {
        std::string msg = fromOU(x.Message);
        if (bridgeGone || bridgeFailure(msg)) throw OfficeGone{};
        throw AutomationError(errors::kFailed, "LibreOffice reported an error: " + msg);
    } catch (const uno::Exception& x) {
        if (bridgeGone) throw OfficeGone{};
        throw AutomationError(errors::kFailed, "LibreOffice reported an error: " + fromOU(x.Message));
    } catch (const std::exception& x) {
        throw AutomationError(errors::kFailed, x.what());
    }
}

OfficeSession::OfficeSession(LibreOfficeOptions options) : options_(std::move(options)) {
    if (options_.pipeName.empty()) options_.pipeName = defaultPipeName();
    if (options_.programDir.empty()) options_.programDir = "/usr/lib/libreoffice/program";
}

OfficeSession::~OfficeSession() {
    // The office stays for the user; only this process's end of the bridge goes.
    std::lock_guard lock(mutex_);
    if (conn_) {
        conn_->gone->store(true);
        try {
            conn_->bridge->dispose();
        } catch (...) {
        }
        conn_.reset();
    }
    reapIfEnded(childPid_);
}

std::string OfficeSession::pipeName() const { return options_.pipeName; }

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

std::uint64_t OfficeSession::generation() const {
    std::lock_guard lock(mutex_);
    return conn_ ? conn_->generation : 0;
}

void OfficeSession::timedOut(const char* what, std::chrono::milliseconds timeout) {
    dropConnection(true);
    throw AutomationError(errors::kTimeout, std::string(what) + " within " + std::to_string(timeout.count()) +
                                                " ms; it may be stuck or showing a dialog");
}

void OfficeSession::dropConnection(bool disposeBridge) {
    std::lock_guard lock(mutex_);
    if (!conn_) return;
    conn_->gone->store(true);
    if (disposeBridge) disposeDetached(conn_->bridge);
    conn_.reset();
}

std::shared_ptr<Connection> OfficeSession::tryConnect(bool starting) {
    auto local = localContext(options_.programDir);
    auto gone = std::make_shared<std::atomic<bool>>(false);
    // The half-built bridge, so that a handshake with a stuck office can be cut off.
    auto pending = std::make_shared<std::pair<std::mutex, Reference<css::lang::XComponent>>>();
    std::string url = "pipe,name=" + pipeName();
    try {
        return runOnWorker<std::shared_ptr<Connection>>(
            [local, gone, pending, url, starting]() -> std::shared_ptr<Connection> {
                try {
                    Reference<css::connection::XConnection> link;
                    try {
                        link = css::connection::Connector::create(local)->connect(toOU(url));
                    } catch (const css::connection::NoConnectException&) {
                        return nullptr;
                    }
                    auto bridge =
                        css::bridge::BridgeFactory::create(local)->createBridge(OUString(), "urp", link, nullptr);
                    Reference<css::lang::XComponent> bridgeComponent(bridge, UNO_QUERY_THROW);
                    {
                        std::lock_guard lock(pending->first);
                        pending->second = bridgeComponent;
                    }
                    bridgeComponent->addEventListener(new BridgeWatch(gone));
                    auto conn = std::make_shared<Connection>();
                    conn->context.set(bridge->getInstance("StarOffice.ComponentContext"), UNO_QUERY_THROW);
                    conn->desktop = css::frame::Desktop::create(conn->context);
                    conn->bridge = bridgeComponent;
                    conn->gone = gone;
                    return conn;
                } catch (const uno::Exception& e) {
                    // An office on its way down refuses the bridge; the caller tries again.
                    if (starting || gone->load()) return nullptr;
                    throw AutomationError(errors::kFailed,
                                          "cannot connect to LibreOffice: " + fromOU(e.Message));
                }
            },
            options_.callTimeout, "the office did not accept the connection");
    } catch (const AutomationError& e) {
        if (e.code() == errors::kTimeout) {
            std::lock_guard lock(pending->first);
            disposeDetached(pending->second);
        }
        throw;
    }
}

void OfficeSession::startOffice() {
    std::vector<std::string> args{"--accept=pipe,name=" + pipeName() + ";urp;StarOffice.ComponentContext",
                                  "--nologo", "--nodefault", "--norestore"};
    if (!options_.profileDir.empty()) {
        seedPrivateProfile(options_.profileDir);
        args.push_back("-env:UserInstallation=" + fileUrlFromPath(options_.profileDir));
    }
    if (options_.headless) args.push_back("--headless");
    reapIfEnded(childPid_);
    std::string error;
    int pid = spawnOffice(options_.programDir + "/soffice", args, error);
    if (pid < 0) throw AutomationError(errors::kCannotCreate, error);
    childPid_ = pid;
}

std::shared_ptr<Connection> OfficeSession::connection() {
    {
        std::lock_guard lock(mutex_);
        if (conn_ && !conn_->gone->load()) return conn_;
        if (conn_) conn_.reset();
    }
    auto deadline = std::chrono::steady_clock::now() + options_.startTimeout;
    bool started = false;
    for (;;) {
        if (auto conn = tryConnect(started)) {
            std::lock_guard lock(mutex_);
            conn->generation = ++generations_;
            conn_ = conn;
            if (started) started_ = true;
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
                if (failed && findOfficeProcess("pipe,name=" + pipeName() + ";") == 0)
                    throw AutomationError(errors::kCannotCreate, "LibreOffice ended while starting (status " +
                                                                     std::to_string(status) + ")");
            }
        }
        if (std::chrono::steady_clock::now() > deadline)
            throw AutomationError(errors::kTimeout, "LibreOffice did not start within " +
                                                        std::to_string(options_.startTimeout.count()) + " ms");
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
}

int OfficeSession::officePid() { return findOfficeProcess("pipe,name=" + pipeName() + ";"); }

void OfficeSession::shutdown() {
    int pid = officePid();
    std::shared_ptr<Connection> conn;
    {
        std::lock_guard lock(mutex_);
        conn = conn_;
    }
    if (conn && !conn->gone->load()) {
        try {
            runOnWorker<bool>(
                [conn] {
                    try {
                        conn->desktop->terminate();
                    } catch (...) {
                    }
                    return true;
                },
                std::chrono::milliseconds(5000), "the office did not end");
        } catch (const AutomationError&) {
        }
    }
    dropConnection(true);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (pid > 0 && kill(pid, 0) == 0 && std::chrono::steady_clock::now() < deadline) {
        reapIfEnded(childPid_);
        if (findOfficeProcess("pipe,name=" + pipeName() + ";") == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (pid > 0 && findOfficeProcess("pipe,name=" + pipeName() + ";") == pid) {
        kill(pid, SIGCONT);
        kill(pid, SIGKILL);
        for (int i = 0; i < 100 && findOfficeProcess("pipe,name=" + pipeName() + ";") == pid; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (int i = 0; i < 100 && childPid_ > 0 && !reapIfEnded(childPid_); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    childPid_ = 0;
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

}  // namespace vorrindel::automation::libreoffice

namespace vorrindel::automation::libreoffice {

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
