#include "State.h"

#include <stdexcept>

#include "Mdbtools.h"

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
    registry().diags[h].push_back(std::move(d));
    return rc;
}

SQLRETURN fromMdbtools(SQLHANDLE h, SQLRETURN rc, const char* state, const std::string& message) {
    if (rc != SQL_ERROR && rc != SQL_SUCCESS_WITH_INFO) return rc;
    // mdbtools keeps one message for the whole process and hands it out once.
    SQLCHAR sqlState[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR buffer[512] = {};
    SQLSMALLINT length = 0;
    std::string text;
    if (SQL_SUCCEEDED(
            mdbtools().SQLError(nullptr, nullptr, nullptr, sqlState, &native, buffer, sizeof buffer - 1, &length)))
        text = reinterpret_cast<char*>(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return post(h, rc, {state, text.empty() ? message : message + " (mdbtools: " + text + ")"});
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
