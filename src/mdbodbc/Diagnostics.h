#pragma once
// The diagnostic records of each handle, for the last call made on it, and what reads them back
// (SQLGetDiagRec, SQLGetDiagField, SQLError). A failure must be recordable when memory has run
// out: beside its records, which allocate, each handle may hold one fixed record of static text,
// kept in storage made once; and reading records back allocates nothing.

#include <sql.h>
#include <sqlext.h>

#include <array>
#include <cstddef>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Values.h"

namespace vorrindel::mdbodbc {

struct FixedDiag {
    const char* state;
    const char* message;
};
inline constexpr FixedDiag kOutOfMemory{"HY001", "Memory allocation error"};
inline constexpr FixedDiag kUnexpectedFailure{"HY000", "Unexpected failure in the Access driver"};

// Every message starts so, naming the component that reports it, as ODBC asks.
inline constexpr char kMessagePrefix[] = "[Vorrindel][Access driver]";

class Diagnostics {
public:
    void clear(SQLHANDLE h) noexcept;
    void add(SQLHANDLE h, Diag d) { records_[h].push_back(std::move(d)); }
    // Needs no memory: replaces the handle's fixed record, if it had one.
    void addFixed(SQLHANDLE h, const FixedDiag& d) noexcept;
    // A copy of the handle's records, fixed one last.
    std::vector<Diag> recordsOf(SQLHANDLE h) const;

    // The readers: text is cut to `capacity` with its terminator (SQL_SUCCESS_WITH_INFO).
    SQLRETURN record(SQLHANDLE h, SQLSMALLINT number, SQLCHAR* state, SQLINTEGER* native, SQLCHAR* message,
                     SQLSMALLINT capacity, SQLSMALLINT* length) const noexcept;
    SQLRETURN field(SQLHANDLE h, SQLSMALLINT number, SQLSMALLINT field, SQLPOINTER info, SQLSMALLINT capacity,
                    SQLSMALLINT* length) const noexcept;
    // The ODBC 2 form: hands out the first record and forgets it.
    SQLRETURN takeFirst(SQLHANDLE h, SQLCHAR* state, SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT capacity,
                        SQLSMALLINT* length) noexcept;

private:
    struct View {
        const char* state;
        const char* message;
    };
    std::size_t count(SQLHANDLE h) const noexcept;
    View at(SQLHANDLE h, std::size_t index) const noexcept;  // 0-based, below count(h)
    std::size_t fixedSlot(SQLHANDLE h) const noexcept;        // kFixedSlots when it has none

    // Enough for every handle that might fail at the same time; the oldest is given up past it.
    static constexpr std::size_t kFixedSlots = 64;
    std::unordered_map<SQLHANDLE, std::vector<Diag>> records_;
    std::array<std::pair<SQLHANDLE, const FixedDiag*>, kFixedSlots> fixed_{};
    std::size_t nextFixed_ = 0;
};

}  // namespace vorrindel::mdbodbc
