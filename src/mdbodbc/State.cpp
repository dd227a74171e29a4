#include "State.h"

#include <stdexcept>


namespace vorrindel::mdbodbc {

Registry& registry() {
    static Registry r;
    return r;
}

Statement& statementOf(SQLHSTMT h) {
    auto it = registry().statements.find(h);
    if (it == registry().statements.end()) throw std::runtime_error("Invalid statement handle");
    return it->second;
}

Connection& connectionOf(SQLHDBC h) { return registry().connections[h]; }

SQLRETURN post(SQLHANDLE h, SQLRETURN rc, Diag d) {
    registry().diags.add(h, std::move(d));
    return rc;
}

std::string textOf(const SQLCHAR* s, SQLINTEGER length) {
    if (!s) return {};
    const char* c = reinterpret_cast<const char*>(s);
    return length == SQL_NTS || length < 0 ? std::string(c) : std::string(c, static_cast<std::size_t>(length));
}

SQLRETURN writeString(SQLHANDLE h, const std::string& s, void* target, SQLLEN capacity, SQLLEN* length) {
    if (length) *length = static_cast<SQLLEN>(s.size());
    return report(h, copyString(s, target, capacity));
}

}  // namespace vorrindel::mdbodbc
