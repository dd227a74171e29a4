#pragma once
// How this backend's objects read the calls made to them: member names in any letter case, the
// value of a Put, optional flags, and the error for a member an object does not have.

#include <string>
#include <string_view>

#include "automation/Automation.h"

namespace vorrindel::automation::libreoffice {

inline bool named(std::string_view member, std::string_view name) {
    if (member.size() != name.size()) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (std::size_t i = 0; i < name.size(); ++i)
        if (lower(member[i]) != lower(name[i])) return false;
    return true;
}

inline std::string_view accessName(Access access) {
    switch (access) {
    case Access::Method: return "call";
    case Access::Get: return "get";
    case Access::Put: return "set";
    }
    return "?";
}

[[noreturn]] inline void noMember(std::string_view object, std::string_view member, Access access) {
    throw AutomationError(errors::kMemberNotFound, std::string(object) + " has no member \"" + std::string(member) +
                                                       "\" to " + std::string(accessName(access)));
}

inline const Value& putValue(const Args& args, std::string_view member) {
    if (args.empty()) throw AutomationError(errors::kBadArgument, "no value given to set " + std::string(member));
    return args.back();
}

// An optional truth value: `fallback` when left out.
inline bool optionalFlag(const Args& args, std::size_t index, bool fallback) {
    if (index >= args.size() || args[index].isOmitted() || args[index].isEmpty()) return fallback;
    return args[index].asBool() != 0;
}

}  // namespace vorrindel::automation::libreoffice
