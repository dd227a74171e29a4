#include "Automation.h"

namespace vorrindel::automation {

std::int16_t Value::asBool() const {
    if (auto b = std::get_if<Bool>(&v_)) return b->raw;
    if (auto n = std::get_if<std::int32_t>(&v_)) return *n != 0 ? kTrue : kFalse;
    throw AutomationError(errors::kBadArgument, "value is not a truth value: " + describe());
}

std::int32_t Value::asInteger() const {
    if (auto n = std::get_if<std::int32_t>(&v_)) return *n;
    if (auto b = std::get_if<Bool>(&v_)) return b->raw;
    throw AutomationError(errors::kBadArgument, "value is not a number: " + describe());
}

const std::string& Value::asText() const {
    if (auto s = std::get_if<std::string>(&v_)) return *s;
    throw AutomationError(errors::kBadArgument, "value is not text: " + describe());
}

ObjectRef Value::asObject() const {
    if (auto o = std::get_if<ObjectRef>(&v_); o && *o) return *o;
    throw AutomationError(errors::kBadArgument, "value is not an object: " + describe());
}

std::string Value::describe() const {
    struct Visitor {
        std::string operator()(std::monostate) const { return "<empty>"; }
        std::string operator()(Omitted) const { return "<omitted>"; }
        std::string operator()(Bool b) const { return b.raw ? "true(" + std::to_string(b.raw) + ")" : "false(0)"; }
        std::string operator()(std::int32_t n) const { return std::to_string(n); }
        std::string operator()(const std::string& s) const { return '"' + s + '"'; }
        std::string operator()(const ObjectRef& o) const { return o ? "<object>" : "<nothing>"; }
    };
    return std::visit(Visitor{}, v_);
}

void RequestDeadline::begin(Clock::time_point deadline) {
    expired_ = false;
    deadline_ = deadline.time_since_epoch().count();
}

void RequestDeadline::end() {
    deadline_ = Clock::time_point::max().time_since_epoch().count();
    expired_ = false;
}

void RequestDeadline::cancel() { deadline_ = Clock::now().time_since_epoch().count(); }

Clock::time_point RequestDeadline::deadline() const { return Clock::time_point(Clock::duration(deadline_.load())); }

void RequestDeadline::check() const {
    if (expired_) throw AutomationError(errors::kTimeout, "the request has run out of time");
    if (passed()) throw AutomationError(errors::kTimeout, "the request ran out of time");
}

void RequestDeadline::expire(std::string_view what) {
    expired_ = true;
    throw AutomationError(errors::kTimeout, std::string(what));
}

std::string_view globalAppName(GlobalApp app) {
    switch (app) {
    case GlobalApp::Excel: return "Excel";
    case GlobalApp::Word: return "Word";
    case GlobalApp::Access: return "Access";
    }
    return "?";
}

ObjectRef NoOffice::createObject(std::string_view name) {
    throw AutomationError(errors::kCannotCreate, "cannot create \"" + std::string(name) + "\": " + reason_);
}

ObjectRef NoOffice::globalObject(GlobalApp app) {
    throw AutomationError(errors::kCannotCreate,
                          "no " + std::string(globalAppName(app)) + " global object: " + reason_);
}

}  // namespace vorrindel::automation
