#include "Mdbtools.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "State.h"

namespace vorrindel::mdbodbc {

namespace {

Mdbtools load() {
    // Loaded on first use rather than linked, so that a missing package is named in the error the
    // caller sees instead of the driver manager failing to load this library at all.
    void* lib = dlopen(VORRINDEL_LIBMDBODBC_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!lib)
        throw std::runtime_error("mdbtools' ODBC driver " VORRINDEL_LIBMDBODBC_PATH
                                 " cannot be loaded (install the Debian package odbc-mdbtools)");
    Mdbtools m;
#define VORRINDEL_RESOLVE(name)                                     \
    m.name = reinterpret_cast<decltype(m.name)>(dlsym(lib, #name)); \
    if (!m.name) throw std::runtime_error("mdbtools' ODBC driver lacks " #name);
    VORRINDEL_MDBTOOLS_FUNCTIONS(VORRINDEL_RESOLVE)
#undef VORRINDEL_RESOLVE
    return m;
}

}  // namespace

const Mdbtools& mdbtools() {
    static const Mdbtools m = load();
    return m;
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

}  // namespace vorrindel::mdbodbc
