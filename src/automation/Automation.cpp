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
