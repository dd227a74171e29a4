#pragma once
// The one office process behind every application object: starting it, connecting to it over a
// UNO bridge, and running each call on the caller's thread under a time limit. A watchdog
// disposes the bridge when a call outlasts its limit (the request's deadline, or outside a
// request the call's own limit), which makes the stuck call return; the next call reconnects.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include "automation/Automation.h"
#include "automation/libreoffice/LibreOfficeAutomation.h"
#include "automation/libreoffice/DocumentKinds.h"
#include "automation/libreoffice/OfficeProcess.h"
#include "automation/libreoffice/Watchdog.h"

namespace vorrindel::automation::libreoffice {

namespace css = ::com::sun::star;
namespace uno = css::uno;
using ::rtl::OUString;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

inline OUString toOU(const std::string& s) {
    return OUString(s.data(), static_cast<sal_Int32>(s.size()), RTL_TEXTENCODING_UTF8);
}
inline std::string fromOU(const OUString& s) {
    return ::rtl::OUStringToOString(s, RTL_TEXTENCODING_UTF8).getStr();
}

// One live bridge to the office. Objects reached through it are dead once `gone` is set, which
// the bridge's own disposing notification does.
struct Connection {
    css::uno::Reference<css::uno::XComponentContext> context;
    css::uno::Reference<css::frame::XDesktop2> desktop;
    css::uno::Reference<css::lang::XComponent> bridge;
    std::shared_ptr<std::atomic<bool>> gone;
    std::uint64_t generation = 0;
};

// What a call does to the office, which decides what happens when the office ends under it.
enum class CallKind {
    // Reads, or changes that may be made twice: on a fresh connection once more.
    Repeatable,
    // Acts on objects of this connection (a document it reached): fails as the office gone.
    Bound,
    // Loads a document: fails naming the load; never loaded again silently on a new office.
    Load,
};

class OfficeSession : public std::enable_shared_from_this<OfficeSession> {
public:
    explicit OfficeSession(LibreOfficeOptions options);
    ~OfficeSession();

    const LibreOfficeOptions& options() const { return options_; }

    // Fails with kCannotCreate, naming the Debian package, when soffice or the module of `kind`
    // is not installed.
    void requireInstalled(DocKind kind) const;

    // The deadline of the request under way, if any.
    void beginRequest(Clock::time_point deadline);
    void endRequest();
    void cancelRequest();
    // Fails at once with kTimeout when the request under way has run out of time.
    void checkDeadline() const { deadline_.check(); }

    // Runs fn with a live connection on the calling thread, connecting (starting the office when
    // none runs) first. A call that outlasts its limit ends with kTimeout; `what` names it in the
    // error ("loading \"a.xls\""). A call that found the office gone before it began is run once
    // more on a fresh connection; one that saw the office end under it is run once more when
    // Repeatable, and otherwise fails as `kind` says.
    template <class R>
    R call(std::function<R(const Connection&)> fn, CallKind kind = CallKind::Repeatable, const std::string& what = {});

    // The connection, established if needed; throws AutomationError.
    std::shared_ptr<Connection> connection();
    std::uint64_t generation() const;
    // Whether a connection is up that has not been seen to end; never connects.
    bool connected() const;

    // What an office this session starts gets in its environment, asked for at each start.
    void setOfficeEnvironment(std::function<Environment()> environment);

    int officePid();
    void shutdown();
    // Ends the office when this session started it and it shows no window; briefly bounded, and
    // never for an office the user started.
    void endIfUnused();
    // Lets go of the office for good: ends the watchdog, disposes the bridge and this process's
    // UNO runtime. Later calls fail. Done by the owner before it goes, so that no UNO object
    // outlives it.
    void close();

    // The document opened last through any application object of this session, per kind.
    void rememberOpened(DocKind kind, const css::uno::Reference<css::frame::XModel>& model, std::uint64_t generation);
    css::uno::Reference<css::frame::XModel> lastOpened(DocKind kind, std::uint64_t generation) const;

    // A window that a load has just shown is in front already; raising it again costs the office
    // a round trip to the window system. This notes the document loaded last, and when.
    void markFreshlyLoaded(const css::uno::Reference<css::frame::XModel>& model);
    bool isFreshlyLoaded(const css::uno::Reference<css::frame::XModel>& model) const;

private:
    struct Attempt;
    std::shared_ptr<Connection> connect(Clock::time_point limit);
    std::shared_ptr<Connection> tryConnect(bool starting);
    void startOffice();
    void dropConnection(const std::shared_ptr<Connection>& conn, bool dispose);
    // Asks the office to end (when `onlyUnused`, only if it shows no window), waiting at most
    // `limit` for its answer; true when it was asked and agreed.
    bool askToTerminate(const Connection& conn, std::chrono::seconds limit, bool onlyUnused);
    css::uno::Reference<css::uno::XComponentContext> localContext();
    // The limit of a call starting now: the request's deadline, or `own` from now outside one.
    Watchdog::Limit limitFor(std::chrono::milliseconds own) const;
    bool inRequest() const;
    [[noreturn]] void timedOut(const std::string& what, std::chrono::milliseconds own);
    // Classifies the exception of a failed call: true when it is the office ending (the bridge
    // disposed, by its own notification or its DisposedException); otherwise throws it as the
    // boundary's error.
    bool officeEnded(std::exception_ptr e, const Connection& conn);

    LibreOfficeOptions options_;
    RequestDeadline deadline_;
    Watchdog watchdog_;
    mutable std::mutex mutex_;
    css::uno::Reference<css::uno::XComponentContext> local_;
    std::shared_ptr<Connection> conn_;
    std::uint64_t generations_ = 0;
    int childPid_ = 0;
    bool startedHere_ = false;  // the office connected to was started by this session
    bool closed_ = false;
    struct Last {
        css::uno::Reference<css::frame::XModel> model;
        std::uint64_t generation = 0;
    } last_[4];
    std::function<Environment()> officeEnvironment_;
    css::uno::Reference<css::frame::XModel> fresh_;
    std::chrono::steady_clock::time_point freshSince_;
};

template <class R>
R OfficeSession::call(std::function<R(const Connection&)> fn, CallKind kind, const std::string& what) {
    const auto own = kind == CallKind::Load ? options_.openTimeout : options_.callTimeout;
    for (int attempt = 0;; ++attempt) {
        deadline_.check();
        // A bridge found dead before the call began is replaced here: nothing of the call reached
        // the office, so it runs in full on the new one.
        auto conn = connection();
        BrokenPipeSignalBlocked quiet;
        auto bridge = conn->bridge;
        auto watch = watchdog_.watch(limitFor(own), [bridge] {
            try {
                bridge->dispose();
            } catch (...) {
            }
        });
        try {
            return fn(*conn);
        } catch (...) {
            watch.end();
            if (watch.fired()) {
                dropConnection(conn, false);
                timedOut(what.empty() ? "the office did not answer" : "the office did not finish " + what, own);
            }
            if (!officeEnded(std::current_exception(), *conn)) throw;
            dropConnection(conn, false);
            if (kind == CallKind::Load)
                throw AutomationError(errors::kServerGone,
                                      "LibreOffice ended while " + (what.empty() ? std::string("loading") : what) +
                                          " (it was closed, killed or crashed)");
            if (kind == CallKind::Bound || attempt > 0)
                throw AutomationError(errors::kServerGone, "the office has ended (it was closed, killed or crashed)");
        }
    }
}

}  // namespace vorrindel::automation::libreoffice
