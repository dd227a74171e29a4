#pragma once
// The boundary between the openers and whatever office suite is behind it. It mirrors the
// platform's dynamic automation: an object is reached by name, and each call names the member,
// the kind of access, the arguments in order and, for some Excel members, a locale. Backends are
// thin adapters behind this interface; tests see exactly what crosses it.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vorrindel::automation {

// Error code carried by an omitted optional argument (DISP_E_PARAMNOTFOUND).
inline constexpr std::int32_t kParamNotFound = static_cast<std::int32_t>(0x80020004u);
// The locale passed to the Excel members that take one (US English).
inline constexpr int kLocaleUsEnglish = 1033;
// The applications' automation names, spelled as they are passed to createObject(): backends
// compare them ignoring letter case.
inline constexpr std::string_view kExcelApplication = "excel.application";
inline constexpr std::string_view kWordApplication = "word.application";
inline constexpr std::string_view kPowerPointApplication = "PowerPoint.Application";
inline constexpr std::string_view kAccessApplication = "Access.Application";
// Automation booleans.
inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

// Raised by every operation that fails, creation of objects included.
class AutomationError : public std::runtime_error {
public:
    AutomationError(std::int32_t code, const std::string& description)
        : std::runtime_error(description), code_(code) {}
    std::int32_t code() const noexcept { return code_; }
    std::string description() const { return what(); }

private:
    std::int32_t code_;
};

// Common error codes a backend reports.
namespace errors {
inline constexpr std::int32_t kCannotCreate = static_cast<std::int32_t>(0x800401F3u);  // no such application
inline constexpr std::int32_t kServerGone = static_cast<std::int32_t>(0x800706BAu);    // instance no longer runs
inline constexpr std::int32_t kTimeout = static_cast<std::int32_t>(0x800705B4u);       // call did not return in time
inline constexpr std::int32_t kNotFound = static_cast<std::int32_t>(0x8002000Bu);      // no item of that name
inline constexpr std::int32_t kMemberNotFound = static_cast<std::int32_t>(0x80020003u);
inline constexpr std::int32_t kBadArgument = static_cast<std::int32_t>(0x80070057u);
inline constexpr std::int32_t kFailed = static_cast<std::int32_t>(0x80004005u);
}  // namespace errors

class Dispatch;
// An object reference. Dropping the last reference is the release of that object.
using ObjectRef = std::shared_ptr<Dispatch>;

// One value crossing the boundary.
class Value {
public:
    struct Omitted {
        bool operator==(const Omitted&) const = default;
    };
    struct Bool {  // automation boolean: -1 true, 0 false
        std::int16_t raw;
        bool operator==(const Bool&) const = default;
    };
    using Storage = std::variant<std::monostate, Omitted, Bool, std::int32_t, std::string, ObjectRef>;

    Value() = default;
    static Value omitted() { return Value(Omitted{}); }
    static Value boolean(bool b) { return Value(Bool{b ? kTrue : kFalse}); }
    static Value integer(std::int32_t n) { return Value(n); }
    static Value text(std::string s) { return Value(std::move(s)); }
    static Value object(ObjectRef o) { return Value(std::move(o)); }

    bool isEmpty() const { return std::holds_alternative<std::monostate>(v_); }
    bool isOmitted() const { return std::holds_alternative<Omitted>(v_); }
    bool isBool() const { return std::holds_alternative<Bool>(v_); }
    bool isInteger() const { return std::holds_alternative<std::int32_t>(v_); }
    bool isText() const { return std::holds_alternative<std::string>(v_); }
    bool isObject() const { return std::holds_alternative<ObjectRef>(v_); }

    // Raw automation boolean (-1 or 0); a number converts as automation would (non-zero is true).
    std::int16_t asBool() const;
    std::int32_t asInteger() const;
    const std::string& asText() const;
    // Throws AutomationError when the value is not an object (e.g. a call that returned nothing).
    ObjectRef asObject() const;

    const Storage& storage() const { return v_; }
    // Readable form for logs and test messages: "<omitted>", "true(-1)", "-4137", "\"a.xls\"", "<object>".
    std::string describe() const;

private:
    explicit Value(Storage v) : v_(std::move(v)) {}
    Storage v_;
};

using Args = std::vector<Value>;

enum class Access { Method, Get, Put };

// One automation object (an application, a collection, a document, a global object).
class Dispatch {
public:
    virtual ~Dispatch() = default;
    // Calls `member`. For Put, the new value is the last argument. `locale` is the locale id passed
    // with the call, when the member takes one. Throws AutomationError on failure.
    virtual Value invoke(std::string_view member, Access access, const Args& args,
                         std::optional<int> locale = std::nullopt) = 0;

    // Conveniences over invoke().
    Value call(std::string_view member, const Args& args = {}, std::optional<int> locale = std::nullopt) {
        return invoke(member, Access::Method, args, locale);
    }
    Value get(std::string_view member, const Args& args = {}, std::optional<int> locale = std::nullopt) {
        return invoke(member, Access::Get, args, locale);
    }
    void put(std::string_view member, Value v, std::optional<int> locale = std::nullopt) {
        invoke(member, Access::Put, Args{std::move(v)}, locale);
    }
    ObjectRef getObject(std::string_view member, const Args& args = {}) { return get(member, args).asObject(); }
};

// The applications that have a global object.
enum class GlobalApp { Excel, Word, Access };

using Clock = std::chrono::steady_clock;

// The time limit of the request under way, shared by a backend and its objects. One request runs
// at a time; cancel() may come from any thread.
class RequestDeadline {
public:
    void begin(Clock::time_point deadline);
    void end();
    // Makes the limit now, so that the call under way is cut short (the program is ending).
    void cancel();

    // The limit of the current request; Clock::time_point::max() between requests.
    Clock::time_point deadline() const;
    bool passed() const { return Clock::now() >= deadline(); }
    // Throws kTimeout, at once, when the request has timed out already or its limit has passed;
    // a call that starts after that point must not wait again.
    void check() const;
    // Records that a call of this request ran out of time (and throws kTimeout naming `what`).
    [[noreturn]] void expire(std::string_view what);
    bool expired() const { return expired_.load(); }

private:
    std::atomic<Clock::rep> deadline_{Clock::time_point::max().time_since_epoch().count()};
    std::atomic<bool> expired_{false};
};

// The office behind the boundary.
//
// Contract for backends, relied on by the openers:
// - createObject() makes an application object by its automation name exactly as given (the
//   k...Application names above).
// - globalObject() gives the application's library-wide object. Callers keep it for the life of
//   the program, so it must re-attach when the instance it reached has gone. The Access global
//   object reaches, at each use, the instance holding the database opened last through any
//   Access application object of this office; when none runs, CloseCurrentDatabase and Quit have
//   nothing to act on and succeed.
// - Requests run one at a time, all on the same thread, and every object is used on that thread
//   only. Between beginRequest() and endRequest() every call must return by the deadline given: a
//   call still running then is cut short and fails with kTimeout, and every later call of that
//   request fails at once with kTimeout. The next request starts afresh (reconnecting where the
//   backend must). cancelRequest() may be called from any thread; it makes the deadline now.
class OfficeAutomation {
public:
    virtual ~OfficeAutomation() = default;
    virtual ObjectRef createObject(std::string_view name) = 0;
    virtual ObjectRef globalObject(GlobalApp app) = 0;

    virtual void beginRequest(Clock::time_point deadline) = 0;
    virtual void endRequest() = 0;
    virtual void cancelRequest() = 0;

    // Gets the application of that automation name ready without showing anything, so that the
    // first request does not wait for it to start; runs as a request of its own. Doing nothing
    // is fine for a backend whose applications start fast.
    virtual void prepare(std::string_view) {}
};

// Passes every call on to another office: a wrapper that lends a backend to the automation thread
// (which destroys only the wrapper), or adds what must live around one, derives from it.
class ForwardingOffice : public OfficeAutomation {
public:
    explicit ForwardingOffice(OfficeAutomation& target) : target_(target) {}
    ObjectRef createObject(std::string_view name) override { return target_.createObject(name); }
    ObjectRef globalObject(GlobalApp app) override { return target_.globalObject(app); }
    void beginRequest(Clock::time_point deadline) override { target_.beginRequest(deadline); }
    void endRequest() override { target_.endRequest(); }
    void cancelRequest() override { target_.cancelRequest(); }
    void prepare(std::string_view name) override { target_.prepare(name); }

private:
    OfficeAutomation& target_;
};

// An office with no applications: every creation fails with a clear error. Used when no backend
// is built in.
class NoOffice final : public OfficeAutomation {
public:
    explicit NoOffice(std::string reason) : reason_(std::move(reason)) {}
    ObjectRef createObject(std::string_view name) override;
    ObjectRef globalObject(GlobalApp app) override;
    // Nothing here can take time.
    void beginRequest(Clock::time_point) override {}
    void endRequest() override {}
    void cancelRequest() override {}

private:
    std::string reason_;
};

std::string_view globalAppName(GlobalApp app);

}  // namespace vorrindel::automation
