#pragma once
// What the COM backend's objects share: the automation thread they belong to, the deadline of the
// request under way with the watchdog that enforces it, and releases that were asked for on
// another thread.

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "automation/Automation.h"
#include "common/Text.h"

namespace vorrindel::automation::com {

class Session : public std::enable_shared_from_this<Session> {
public:
    // On the automation thread, a single-threaded apartment. Starts the watchdog.
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Throws unless called on the automation thread: COM objects of an apartment are used only
    // there.
    void checkThread() const;
    RequestDeadline& deadline() { return deadline_; }

    void begin(Clock::time_point limit);
    void end();
    // Any thread: the call under way, if any, is cut short.
    void cancel();
    // Puts in the message filter that retries calls a busy office rejects and gives up calls
    // past the deadline; once the session is shared.
    void start();
    // When the backend ends: joins the watchdog and, on the automation thread, releases what is
    // still held and takes the message filter out. Calls made after this are not cut short.
    void shutdown();
    bool cutsStuckCallsShort() const { return cancellable_; }

    // One outgoing COM call of `what` under the request's deadline. A call the office rejects while
    // busy is tried again until the deadline; a call still running at the deadline is cancelled and
    // the request expires (kTimeout, here and for every later call of the request).
    template <class Call>
    HRESULT guarded(std::string_view what, Call&& call) {
        for (;;) {
            deadline_.check();
            inCall_ = true;
            const HRESULT hr = call();
            inCall_ = false;
            dropWakeUps();
            if (hr == RPC_E_CALL_CANCELED) deadline_.expire(timedOut(what));
            if (hr != RPC_E_SERVERCALL_RETRYLATER && hr != RPC_E_CALL_REJECTED) return hr;
            if (!pauseBeforeRetry()) deadline_.expire(timedOut(what));
        }
    }

    // member of `target` by name: GetIDsOfNames, then Invoke with the arguments in COM's order.
    Value invoke(IDispatch* target, std::string_view member, Access access, const Args& args,
                 std::optional<int> locale);
    // Wraps an interface whose reference the caller hands over.
    ObjectRef wrap(IDispatch* dispatch, bool tracksDatabase = false);
    // Releases `unknown` on the automation thread: now when called there, else at its next call.
    void release(IUnknown* unknown);
    void releasePending();

    // Access: the path given to the last OpenCurrentDatabase that succeeded on an Access
    // application object, and the Access holding it (found in the running object table, kept for
    // the rest of the request); null when none does.
    void noteDatabase(std::string path);
    ObjectRef accessHoldingLastDatabase();
    void forgetAccess();

    // The message filter's answers: how long to wait before retrying a rejected call (-1: give
    // up), and whether a call under way may go on waiting.
    DWORD retryDelay(DWORD rejectType) const;
    bool callMayGoOn() const { return !deadline_.passed(); }

private:
    static std::string timedOut(std::string_view what);
    bool pauseBeforeRetry();
    void dropWakeUps();
    void watch();

    const DWORD thread_;
    const UINT wakeMessage_;
    RequestDeadline deadline_;
    std::atomic<bool> inCall_{false};
    HANDLE cancelled_;  // set by cancel(): ends a pause before a retry at once
    bool cancellable_ = false;
    IMessageFilter* previousFilter_ = nullptr;
    bool filterInstalled_ = false;

    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    std::vector<IUnknown*> pendingReleases_;
    std::thread watchdog_;

    std::string lastDatabase_;
    std::string accessPath_;
    ObjectRef access_;
};

// One COM object behind the boundary.
class ComObject final : public Dispatch {
public:
    ComObject(std::shared_ptr<Session> session, IDispatch* dispatch, bool tracksDatabase)
        : session_(std::move(session)), dispatch_(dispatch), tracksDatabase_(tracksDatabase) {}
    ~ComObject() override { session_->release(dispatch_); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    Value invoke(std::string_view member, Access access, const Args& args, std::optional<int> locale) override;
    IDispatch* dispatch() const { return dispatch_; }

private:
    std::shared_ptr<Session> session_;
    IDispatch* dispatch_;
    bool tracksDatabase_;  // an Access application object: note the databases it opens
};

}  // namespace vorrindel::automation::com
