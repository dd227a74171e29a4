#pragma once
// The automation boundary served by the Office applications themselves, over COM.
//
// Everything here belongs to one thread, the automation thread, which must be a single-threaded
// apartment: it calls CoInitializeEx(COINIT_APARTMENTTHREADED) (an Apartment does) before it makes
// the backend, makes every call and drops every object, and destroys the backend last, before it
// leaves the apartment. An object dropped on another thread is released on the automation thread
// at its next call. cancelRequest() alone may come from any thread.
//
// The request's deadline is kept for calls into an application; starting one (CoCreateInstance,
// or a global object finding its application gone) is not cut short, and the deadline is checked
// before it.

#include <memory>

#include "automation/Automation.h"

namespace vorrindel::automation::com {

// Makes the calling thread a single-threaded apartment for this object's life.
class Apartment {
public:
    Apartment();  // throws AutomationError when the thread is already of another kind
    ~Apartment();
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
};

class Session;

class ComAutomation final : public OfficeAutomation {
public:
    // On the automation thread, inside its apartment; throws AutomationError elsewhere.
    ComAutomation();
    ~ComAutomation() override;
    ComAutomation(const ComAutomation&) = delete;
    ComAutomation& operator=(const ComAutomation&) = delete;

    // CLSIDFromProgID and CoCreateInstance(CLSCTX_SERVER), the name exactly as given.
    ObjectRef createObject(std::string_view name) override;
    // Excel and Word: the running application (GetActiveObject), else a new one, attached at the
    // first use and again whenever the one reached has gone. Access: the Access holding the
    // database opened last through an Access application object of this backend, looked up in
    // the running object table at the request's first use.
    ObjectRef globalObject(GlobalApp app) override;

    void beginRequest(Clock::time_point deadline) override;
    void endRequest() override;
    void cancelRequest() override;

    // Whether a call still running at the deadline is cut short there (CoCancelCall). Wine has no
    // call cancellation: there such a call ends when the office answers, and then fails as timed
    // out, as does every later call of the request.
    bool cutsStuckCallsShort() const;

private:
    std::shared_ptr<Session> session_;
};

}  // namespace vorrindel::automation::com
