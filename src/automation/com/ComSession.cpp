#include "ComSession.h"

#include <algorithm>

#include "ComUnknown.h"
#include "Variants.h"

namespace vorrindel::automation::com {

namespace {

constexpr auto kRecheck = std::chrono::milliseconds(20);     // how often a call past its limit is cut again
constexpr auto kRetryPause = std::chrono::milliseconds(100);  // between tries of a call a busy office rejected

// Wine exports CoCancelCall but has no call cancellation: calling it ends the process. Its own
// marker in ntdll is how programs are told to expect Wine's behaviour.
bool callCancellationWorks() { return !GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"); }

bool between(Clock::time_point limit) { return limit == Clock::time_point::max(); }

long long millisecondsUntil(Clock::time_point limit) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(limit - Clock::now()).count();
}

// Answers COM on the automation thread while one of its calls waits for an office. An office that
// is busy (a dialog open, a file loading) rejects calls; they are tried again until the request's
// limit. Once the limit has passed, a call still waiting is cancelled: CoCancelCall from the
// watchdog does it, and the wake-up message the watchdog posts brings COM here, where the call is
// given up. (Wine 8 has neither: it asks here, but waits for the office's answer all the same, and
// only then fails the call as cancelled.)
class MessageFilter final : public ComUnknown<IMessageFilter> {
public:
    explicit MessageFilter(std::weak_ptr<Session> session) : session_(std::move(session)) {}

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD rejectType) override {
        const auto session = session_.lock();
        return session ? session->retryDelay(rejectType) : static_cast<DWORD>(-1);
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
        const auto session = session_.lock();
        return !session || session->callMayGoOn() ? PENDINGMSG_WAITDEFPROCESS : PENDINGMSG_CANCELCALL;
    }

private:
    std::weak_ptr<Session> session_;  // the filter may stay in the apartment longer than the session
};

}  // namespace

Session::Session()
    : thread_(GetCurrentThreadId()),
      wakeMessage_(RegisterWindowMessageW(L"Vorrindel.AutomationCallWake")),
      cancelled_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    cancellable_ = callCancellationWorks() && SUCCEEDED(CoEnableCallCancellation(nullptr));
    watchdog_ = std::thread([this] { watch(); });
}

void Session::start() {
    auto* filter = new MessageFilter(weak_from_this());
    filterInstalled_ = SUCCEEDED(CoRegisterMessageFilter(filter, &previousFilter_));
    filter->Release();
}

Session::~Session() {
    // The last object went on some other thread: what is still pending is left to the end of the
    // process rather than released outside its apartment.
    if (watchdog_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        watchdog_.join();
    }
    CloseHandle(cancelled_);
}

void Session::shutdown() {
    const bool here = GetCurrentThreadId() == thread_;
    if (here) {
        forgetAccess();
        releasePending();
    }
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (watchdog_.joinable()) watchdog_.join();
    // The apartment's own settings can be undone only from inside it.
    if (!here) return;
    if (filterInstalled_) {
        IMessageFilter* ours = nullptr;
        CoRegisterMessageFilter(previousFilter_, &ours);
        if (ours) ours->Release();
        filterInstalled_ = false;
    }
    if (cancellable_) CoDisableCallCancellation(nullptr);
    cancellable_ = false;
}

void Session::checkThread() const {
    if (GetCurrentThreadId() != thread_)
        throw AutomationError(RPC_E_WRONG_THREAD, "an office object was used outside the automation thread");
}

void Session::begin(Clock::time_point limit) {
    ResetEvent(cancelled_);  // a cancel of an earlier request ends no pause of this one
    {
        std::lock_guard lock(mutex_);
        deadline_.begin(limit);
    }
    changed_.notify_all();
}

void Session::end() {
    {
        std::lock_guard lock(mutex_);
        deadline_.end();
    }
    changed_.notify_all();
    if (GetCurrentThreadId() == thread_) {
        forgetAccess();
        releasePending();
    }
}

void Session::cancel() {
    {
        std::lock_guard lock(mutex_);
        deadline_.cancel();
    }
    SetEvent(cancelled_);
    changed_.notify_all();
}

// The watchdog: sleeps until the request's limit; past it, cuts short whatever call is under way,
// again every little while, until the request ends.
void Session::watch() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const Clock::time_point limit = deadline_.deadline();
        if (between(limit)) {
            changed_.wait(lock);
        } else if (Clock::now() < limit) {
            changed_.wait_until(lock, limit);
        } else {
            if (inCall_) {
                lock.unlock();
                if (cancellable_) CoCancelCall(thread_, 0);
                PostThreadMessageW(thread_, wakeMessage_, 0, 0);
                lock.lock();
            }
            changed_.wait_for(lock, kRecheck);
        }
    }
}

void Session::dropWakeUps() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, wakeMessage_, wakeMessage_, PM_REMOVE)) {
    }
}

bool Session::pauseBeforeRetry() {
    const Clock::time_point limit = deadline_.deadline();
    if (Clock::now() >= limit) return false;
    const long long pause = between(limit) ? kRetryPause.count()
                                           : std::min<long long>(kRetryPause.count(), millisecondsUntil(limit));
    WaitForSingleObject(cancelled_, static_cast<DWORD>(std::max<long long>(pause, 0)));
    return !deadline_.passed();
}

DWORD Session::retryDelay(DWORD rejectType) const {
    if (rejectType != SERVERCALL_RETRYLATER) return static_cast<DWORD>(-1);
    const Clock::time_point limit = deadline_.deadline();
    if (between(limit)) return kRetryPause.count();
    const long long left = millisecondsUntil(limit);
    // 100 ms or more is a pause before the next try; less would be an immediate retry.
    return left <= 0 ? static_cast<DWORD>(-1) : static_cast<DWORD>(std::clamp<long long>(left, 100, kRetryPause.count()));
}

std::string Session::timedOut(std::string_view what) {
    return std::string(what) + ": the office did not answer within the time limit";
}

Value Session::invoke(IDispatch* target, std::string_view member, Access access, const Args& args,
                      std::optional<int> locale) {
    checkThread();
    releasePending();
    const LCID lcid = locale ? static_cast<LCID>(*locale) : LOCALE_USER_DEFAULT;
    std::wstring name = widen(member);
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = guarded(member, [&] { return target->GetIDsOfNames(IID_NULL, names, 1, lcid, &id); });
    if (FAILED(hr)) throw failure(hr, member);

    // COM takes the arguments last first.
    std::vector<VARIANT> argv(args.size());
    for (VARIANT& v : argv) VariantInit(&v);
    struct Clear {
        std::vector<VARIANT>& argv;
        ~Clear() {
            for (VARIANT& v : argv) VariantClear(&v);
        }
    } clear{argv};
    const auto dispatchOf = [](const ObjectRef& object) -> IDispatch* {
        const auto* ours = dynamic_cast<const ComObject*>(object.get());
        if (!ours) throw AutomationError(errors::kBadArgument, "not an object of this office");
        ours->dispatch()->AddRef();
        return ours->dispatch();
    };
    for (std::size_t i = 0; i < args.size(); ++i) toVariant(args[i], argv[args.size() - 1 - i], dispatchOf);

    DISPPARAMS params{argv.data(), nullptr, static_cast<UINT>(argv.size()), 0};
    DISPID putId = DISPID_PROPERTYPUT;
    WORD flags = DISPATCH_METHOD;
    if (access == Access::Get) flags = DISPATCH_PROPERTYGET | DISPATCH_METHOD;
    if (access == Access::Put) {
        flags = !args.empty() && args.back().isObject() ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    Variant result;
    EXCEPINFO info{};
    UINT badArgument = 0;
    hr = guarded(member, [&] {
        return target->Invoke(id, IID_NULL, lcid, flags, &params, access == Access::Put ? nullptr : &result.v, &info,
                              &badArgument);
    });
    if (FAILED(hr)) throw failure(hr, member, &info);
    return fromVariant(result.v, [this](IDispatch* d) { return wrap(d); });
}

ObjectRef Session::wrap(IDispatch* dispatch, bool tracksDatabase) {
    return std::make_shared<ComObject>(shared_from_this(), dispatch, tracksDatabase);
}

void Session::release(IUnknown* unknown) {
    if (!unknown) return;
    if (GetCurrentThreadId() != thread_) {
        std::lock_guard lock(mutex_);
        pendingReleases_.push_back(unknown);
        return;
    }
    // Releasing a proxy is a call into its office, which may be the one that hangs.
    inCall_ = true;
    unknown->Release();
    inCall_ = false;
    dropWakeUps();
}

void Session::releasePending() {
    std::vector<IUnknown*> pending;
    {
        std::lock_guard lock(mutex_);
        pending.swap(pendingReleases_);
    }
    for (IUnknown* unknown : pending) release(unknown);
}

void Session::noteDatabase(std::string path) {
    if (path != lastDatabase_) forgetAccess();
    lastDatabase_ = std::move(path);
}

ObjectRef Session::accessHoldingLastDatabase() {
    if (lastDatabase_.empty()) return nullptr;
    if (access_ && accessPath_ == lastDatabase_) return access_;
    // An Access registers each database it opens under the database's file name.
    IRunningObjectTable* table = nullptr;
    IMoniker* moniker = nullptr;
    IUnknown* running = nullptr;
    IDispatch* dispatch = nullptr;
    if (SUCCEEDED(GetRunningObjectTable(0, &table)) &&
        SUCCEEDED(CreateFileMoniker(widen(lastDatabase_).c_str(), &moniker)) &&
        table->GetObject(moniker, &running) == S_OK)
        running->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    for (IUnknown* used : {static_cast<IUnknown*>(table), static_cast<IUnknown*>(moniker), running}) release(used);
    if (!dispatch) return nullptr;
    accessPath_ = lastDatabase_;
    access_ = wrap(dispatch);
    return access_;
}

void Session::forgetAccess() {
    access_.reset();
    accessPath_.clear();
}

Value ComObject::invoke(std::string_view member, Access access, const Args& args, std::optional<int> locale) {
    Value result = session_->invoke(dispatch_, member, access, args, locale);
    if (tracksDatabase_ && access == Access::Method && equalsIgnoringAsciiCase(member, "OpenCurrentDatabase") &&
        !args.empty() && args.front().isText())
        session_->noteDatabase(args.front().asText());
    return result;
}

}  // namespace vorrindel::automation::com
