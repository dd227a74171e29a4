#include "Diagnostics.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace vorrindel::mdbodbc {

namespace {

// `first` then `second` into `capacity` bytes with a terminator; the whole length to `length`.
SQLRETURN writeText(std::string_view first, std::string_view second, void* target, SQLLEN capacity,
                    SQLSMALLINT* length) noexcept {
    const std::size_t total = first.size() + second.size();
    if (length) *length = static_cast<SQLSMALLINT>(total);
    if (!target) return SQL_SUCCESS;
    const std::size_t room = capacity > 0 ? static_cast<std::size_t>(capacity) - 1 : 0;
    auto* out = static_cast<char*>(target);
    const std::size_t a = std::min(room, first.size());
    const std::size_t b = std::min(room - a, second.size());
    if (capacity > 0) {
        std::memcpy(out, first.data(), a);
        std::memcpy(out + a, second.data(), b);
        out[a + b] = 0;
    }
    return a + b < total ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

template <class N>
SQLRETURN writeNumber(SQLPOINTER info, N n) noexcept {
    if (info) std::memcpy(info, &n, sizeof n);
    return SQL_SUCCESS;
}

}  // namespace

void Diagnostics::clear(SQLHANDLE h) noexcept {
    records_.erase(h);
    if (std::size_t slot = fixedSlot(h); slot < kFixedSlots) fixed_[slot] = {};
}

void Diagnostics::addFixed(SQLHANDLE h, const FixedDiag& d) noexcept {
    std::size_t slot = fixedSlot(h);
    if (slot == kFixedSlots) slot = nextFixed_++ % kFixedSlots;
    fixed_[slot] = {h, &d};
}

std::vector<Diag> Diagnostics::recordsOf(SQLHANDLE h) const {
    std::vector<Diag> out;
    for (std::size_t i = 0; i < count(h); ++i) out.push_back({at(h, i).state, at(h, i).message});
    return out;
}

std::size_t Diagnostics::fixedSlot(SQLHANDLE h) const noexcept {
    for (std::size_t i = 0; i < kFixedSlots; ++i)
        if (fixed_[i].second && fixed_[i].first == h) return i;
    return kFixedSlots;
}

std::size_t Diagnostics::count(SQLHANDLE h) const noexcept {
    auto it = records_.find(h);
    return (it == records_.end() ? 0 : it->second.size()) + (fixedSlot(h) < kFixedSlots ? 1 : 0);
}

Diagnostics::View Diagnostics::at(SQLHANDLE h, std::size_t index) const noexcept {
    if (auto it = records_.find(h); it != records_.end() && index < it->second.size())
        return {it->second[index].state.c_str(), it->second[index].message.c_str()};
    const FixedDiag* d = fixed_[fixedSlot(h)].second;
    return {d->state, d->message};
}

SQLRETURN Diagnostics::record(SQLHANDLE h, SQLSMALLINT number, SQLCHAR* state, SQLINTEGER* native,
                              SQLCHAR* message, SQLSMALLINT capacity, SQLSMALLINT* length) const noexcept {
    if (number < 1 || capacity < 0) return SQL_ERROR;
    if (static_cast<std::size_t>(number) > count(h)) return SQL_NO_DATA;
    View d = at(h, static_cast<std::size_t>(number) - 1);
    if (state) std::memcpy(state, d.state, 6);
    if (native) *native = 0;
    return writeText(kMessagePrefix, d.message, message, capacity, length);
}

SQLRETURN Diagnostics::field(SQLHANDLE h, SQLSMALLINT number, SQLSMALLINT field, SQLPOINTER info,
                             SQLSMALLINT capacity, SQLSMALLINT* length) const noexcept {
    auto text = [&](std::string_view a, std::string_view b = {}) { return writeText(a, b, info, capacity, length); };
    // Each field at its own width: the counts of rows and the row number are SQLLEN, 8 bytes
    // where SQLINTEGER has 4.
    if (number == 0) {
        if (field == SQL_DIAG_NUMBER) return writeNumber(info, static_cast<SQLINTEGER>(count(h)));
        if (field == SQL_DIAG_ROW_COUNT || field == SQL_DIAG_CURSOR_ROW_COUNT)
            return writeNumber(info, static_cast<SQLLEN>(0));
        return SQL_ERROR;
    }
    if (number < 0) return SQL_ERROR;
    if (static_cast<std::size_t>(number) > count(h)) return SQL_NO_DATA;
    View d = at(h, static_cast<std::size_t>(number) - 1);
    switch (field) {
    case SQL_DIAG_SQLSTATE: return text(d.state);
    case SQL_DIAG_MESSAGE_TEXT: return text(kMessagePrefix, d.message);
    case SQL_DIAG_NATIVE: return writeNumber(info, static_cast<SQLINTEGER>(0));
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN: return text(std::string_view(d.state).starts_with("IM") ? "ODBC 3.0" : "ISO 9075");
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME: return text("");
    case SQL_DIAG_COLUMN_NUMBER: return writeNumber(info, static_cast<SQLINTEGER>(SQL_COLUMN_NUMBER_UNKNOWN));
    case SQL_DIAG_ROW_NUMBER: return writeNumber(info, static_cast<SQLLEN>(SQL_ROW_NUMBER_UNKNOWN));
    default: return SQL_ERROR;
    }
}

SQLRETURN Diagnostics::takeFirst(SQLHANDLE h, SQLCHAR* state, SQLINTEGER* native, SQLCHAR* message,
                                 SQLSMALLINT capacity, SQLSMALLINT* length) noexcept {
    if (count(h) == 0) return SQL_NO_DATA;
    SQLRETURN rc = record(h, 1, state, native, message, capacity, length);
    if (auto it = records_.find(h); it != records_.end() && !it->second.empty())
        it->second.erase(it->second.begin());
    else
        fixed_[fixedSlot(h)] = {};
    return rc;
}

}  // namespace vorrindel::mdbodbc
