#pragma once
// The one office process behind every application object: starting it, connecting to it over a
// UNO bridge, and running each call with a time limit so that a stuck office cannot freeze the
// caller.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include "automation/Automation.h"
#include "automation/libreoffice/LibreOfficeAutomation.h"
#include "automation/libreoffice/OfficeFiles.h"

namespace vorrindel::automation::libreoffice {

namespace css = ::com::sun::star;
using ::rtl::OUString;

inline OUString toOU(const std::string& s) {
    return OUString(s.data(), static_cast<sal_Int32>(s.size()), RTL_TEXTENCODING_UTF8);
}
inline std::string fromOU(const OUString& s) {
    return ::rtl::OUStringToOString(s, RTL_TEXTENCODING_UTF8).getStr();
}

// One live bridge to the office. Objects reached through it are dead once `gone` is set.
struct Connection {
    css::uno::Reference<css::uno::XComponentContext> context;
    css::uno::Reference<css::frame::XDesktop2> desktop;
    css::uno::Reference<css::lang::XComponent> bridge;
    std::shared_ptr<std::atomic<bool>> gone;
    std::uint64_t generation = 0;
};

// Thrown inside a call when the bridge died under it (office killed or quit).
struct OfficeGone {};

class OfficeSession : public std::enable_shared_from_this<OfficeSession> {
public:
    explicit OfficeSession(LibreOfficeOptions options);
    ~OfficeSession();

    const LibreOfficeOptions& options() const { return options_; }

    // Fails with kCannotCreate, naming the Debian package, when soffice or the module of `kind`
    // is not installed.
    void requireInstalled(DocKind kind) const;

    // Runs fn with a live connection on a worker thread, connecting (starting the office when none
    // runs) first. A call that outlasts the call timeout ends with kTimeout and drops the bridge;
    // one that finds the office gone is run once more on a fresh connection when `retryWhenGone`.
    template <class R>
    R call(std::function<R(const Connection&)> fn, bool retryWhenGone = true,
           std::optional<std::chrono::milliseconds> timeout = std::nullopt);

    // The connection, established if needed; throws AutomationError.
    std::shared_ptr<Connection> connection();
    std::uint64_t generation() const;

    int officePid();
    void shutdown();

    // The document opened last through any application object of this session, per kind.
    void rememberOpened(DocKind kind, const css::uno::Reference<css::frame::XModel>& model, std::uint64_t generation);
    css::uno::Reference<css::frame::XModel> lastOpened(DocKind kind, std::uint64_t generation) const;

    // A window that a load has just shown is in front already; raising it again costs the office
    // a round trip to the window system. This notes the document loaded last, and when.
    void markFreshlyLoaded(const css::uno::Reference<css::frame::XModel>& model);
    bool isFreshlyLoaded(const css::uno::Reference<css::frame::XModel>& model) const;

private:
    std::shared_ptr<Connection> tryConnect(bool starting);
    void startOffice();
    void dropConnection(bool disposeBridge);
    std::string pipeName() const;
    [[noreturn]] void timedOut(const char* what, std::chrono::milliseconds timeout);

    template <class R>
    R runOnWorker(std::function<R()> fn, std::chrono::milliseconds timeout, const char* what);

    LibreOfficeOptions options_;
    mutable std::mutex mutex_;
    std::shared_ptr<Connection> conn_;
    std::uint64_t generations_ = 0;
    int childPid_ = 0;
    bool started_ = false;  // this session started the office it is connected to
    struct Last {
        css::uno::Reference<css::frame::XModel> model;
        std::uint64_t generation = 0;
    } last_[3];
    css::uno::Reference<css::frame::XModel> fresh_;
    std::chrono::steady_clock::time_point freshSince_;
};

// A write to an office that died must fail, not end this process. Threads the bridge starts
// from here inherit the mask.
void blockBrokenPipeSignal();

// Turns the exception of a failed UNO call into the boundary's error; OfficeGone when the bridge
// itself failed.
[[noreturn]] void rethrowAsAutomationError(std::exception_ptr e, const Connection* conn);

template <class R>
R OfficeSession::runOnWorker(std::function<R()> fn, std::chrono::milliseconds timeout, const char* what) {
    // The worker owns everything it touches, so it may outlive this call after a timeout.
    auto task = std::make_shared<std::packaged_task<R()>>(std::move(fn));
    auto result = task->get_future();
    std::thread([task] {
        blockBrokenPipeSignal();
        (*task)();
    }).detach();
    if (result.wait_for(timeout) != std::future_status::ready) timedOut(what, timeout);
    return result.get();
}

template <class R>
R OfficeSession::call(std::function<R(const Connection&)> fn, bool retryWhenGone,
                      std::optional<std::chrono::milliseconds> timeout) {
    for (int attempt = 0;; ++attempt) {
        auto conn = connection();
        try {
            return runOnWorker<R>(
                [fn, conn]() -> R {
                    try {
                        return fn(*conn);
                    } catch (...) {
                        rethrowAsAutomationError(std::current_exception(), conn.get());
                    }
                },
                timeout.value_or(options_.callTimeout), "the office did not answer");
        } catch (const OfficeGone&) {
            dropConnection(false);
            if (!retryWhenGone || attempt > 0)
                throw AutomationError(errors::kServerGone, "the office has ended (it was closed or killed)");
        }
    }
}

}  // namespace vorrindel::automation::libreoffice
