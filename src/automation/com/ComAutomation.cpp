#include "ComAutomation.h"

#include "ComSession.h"
#include "Variants.h"

namespace vorrindel::automation::com {

namespace {

std::string quoted(std::string_view s) { return '"' + std::string(s) + '"'; }

CLSID classOf(std::string_view name) {
    CLSID clsid;
    const HRESULT hr = CLSIDFromProgID(widen(name).c_str(), &clsid);
    if (FAILED(hr)) throw failure(hr, "cannot create " + quoted(name));
    return clsid;
}

// Excel's and Word's global object: the running application, held from its first use, and found
// or started again when it has gone.
class RunningApplication final : public Dispatch {
public:
    RunningApplication(std::shared_ptr<Session> session, CLSID clsid, std::string name)
        : session_(std::move(session)), clsid_(clsid), name_(std::move(name)) {}

    Value invoke(std::string_view member, Access access, const Args& args, std::optional<int> locale) override {
        session_->checkThread();
        for (bool again = false;; again = true) {
            if (!current_) current_ = attach();
            try {
                return current_->invoke(member, access, args, locale);
            } catch (const AutomationError& e) {
                // A call to an instance that has gone never ran: safe to make on the next one.
                if (again || e.code() != errors::kServerGone) throw;
                current_.reset();
            }
        }
    }

private:
    ObjectRef attach() {
        session_->deadline().check();
        IUnknown* running = nullptr;
        IDispatch* dispatch = nullptr;
        if (SUCCEEDED(GetActiveObject(clsid_, nullptr, &running))) {
            running->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
            session_->release(running);
        }
        if (!dispatch) {
            const HRESULT hr = CoCreateInstance(clsid_, nullptr, CLSCTX_SERVER, IID_IDispatch,
                                                reinterpret_cast<void**>(&dispatch));
            if (FAILED(hr)) throw failure(hr, "cannot reach " + name_);
        }
        return session_->wrap(dispatch);
    }

    std::shared_ptr<Session> session_;
    CLSID clsid_;
    std::string name_;
    ObjectRef current_;
};

// Access's global object: the Access holding the database opened last. When none does, closing
// and quitting it have nothing to act on, and succeed.
class LastDatabaseAccess final : public Dispatch {
public:
    explicit LastDatabaseAccess(std::shared_ptr<Session> session) : session_(std::move(session)) {}

    Value invoke(std::string_view member, Access access, const Args& args, std::optional<int> locale) override {
        session_->checkThread();
        const bool closing = access == Access::Method &&
                             (equalsIgnoringAsciiCase(member, "CloseCurrentDatabase") || equalsIgnoringAsciiCase(member, "Quit"));
        ObjectRef target = session_->accessHoldingLastDatabase();
        if (!target) {
            if (closing) return {};
            throw AutomationError(errors::kServerGone, std::string(member) + ": no Access holds the database opened last");
        }
        try {
            return target->invoke(member, access, args, locale);
        } catch (const AutomationError& e) {
            if (e.code() != errors::kServerGone) throw;
            session_->forgetAccess();
            if (closing) return {};
            throw;
        }
    }

private:
    std::shared_ptr<Session> session_;
};

}  // namespace

Apartment::Apartment() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) throw failure(hr, "cannot make the automation thread a single-threaded apartment");
}

Apartment::~Apartment() { CoUninitialize(); }

ComAutomation::ComAutomation() {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    if (FAILED(CoGetApartmentType(&type, &qualifier)) || (type != APTTYPE_STA && type != APTTYPE_MAINSTA))
        throw AutomationError(RPC_E_WRONG_THREAD, "the automation thread is not a single-threaded apartment");
    session_ = std::make_shared<Session>();
    session_->start();
}

ComAutomation::~ComAutomation() { session_->shutdown(); }

ObjectRef ComAutomation::createObject(std::string_view name) {
    session_->checkThread();
    session_->releasePending();
    session_->deadline().check();
    const CLSID clsid = classOf(name);
    IDispatch* dispatch = nullptr;
    const HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    if (FAILED(hr)) throw failure(hr, "cannot create " + quoted(name));
    return session_->wrap(dispatch, equalsIgnoringAsciiCase(name, kAccessApplication));
}

ObjectRef ComAutomation::globalObject(GlobalApp app) {
    session_->checkThread();
    switch (app) {
    case GlobalApp::Excel: return std::make_shared<RunningApplication>(session_, classOf(kExcelApplication), "Excel");
    case GlobalApp::Word: return std::make_shared<RunningApplication>(session_, classOf(kWordApplication), "Word");
    case GlobalApp::Access: return std::make_shared<LastDatabaseAccess>(session_);
    }
    throw AutomationError(errors::kBadArgument, "no such application");
}

void ComAutomation::beginRequest(Clock::time_point deadline) { session_->begin(deadline); }
void ComAutomation::endRequest() { session_->end(); }
void ComAutomation::cancelRequest() { session_->cancel(); }
bool ComAutomation::cutsStuckCallsShort() const { return session_->cutsStuckCallsShort(); }

}  // namespace vorrindel::automation::com
