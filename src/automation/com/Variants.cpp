#include "Variants.h"

#include <cstdio>

namespace vorrindel::automation::com {

namespace {

std::string fromBstr(BSTR s) { return s ? narrow(std::wstring_view(s, SysStringLen(s))) : std::string(); }

// In English, as the rest of the report is, and with the code.
std::string systemText(HRESULT hr) {
    std::string out = windows::errorText(static_cast<DWORD>(hr), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    while (!out.empty() && out.back() == '.') out.pop_back();
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    return out + " (" + code + ")";
}

}  // namespace

void toVariant(const Value& value, VARIANT& out, const std::function<IDispatch*(const ObjectRef&)>& dispatchOf) {
    struct Visitor {
        VARIANT& out;
        const std::function<IDispatch*(const ObjectRef&)>& dispatchOf;
        void operator()(std::monostate) const { V_VT(&out) = VT_EMPTY; }
        void operator()(Value::Omitted) const {
            V_VT(&out) = VT_ERROR;
            V_ERROR(&out) = DISP_E_PARAMNOTFOUND;
        }
        void operator()(Value::Bool b) const {
            V_VT(&out) = VT_BOOL;
            V_BOOL(&out) = b.raw;
        }
        void operator()(std::int32_t n) const {
            V_VT(&out) = VT_I4;
            V_I4(&out) = n;
        }
        void operator()(const std::string& s) const {
            const std::wstring w = widen(s);
            BSTR b = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
            if (!b) throw AutomationError(E_OUTOFMEMORY, "out of memory");
            V_VT(&out) = VT_BSTR;
            V_BSTR(&out) = b;
        }
        void operator()(const ObjectRef& o) const {
            V_VT(&out) = VT_DISPATCH;
            V_DISPATCH(&out) = o ? dispatchOf(o) : nullptr;
        }
    };
    std::visit(Visitor{out, dispatchOf}, value.storage());
}

Value fromVariant(VARIANT& in, const std::function<ObjectRef(IDispatch*)>& wrap) {
    if (V_VT(&in) & VT_BYREF) {
        Variant copy;
        if (SUCCEEDED(VariantCopyInd(&copy.v, &in))) return fromVariant(copy.v, wrap);
        return {};
    }
    switch (V_VT(&in)) {
    case VT_EMPTY:
    case VT_NULL: return {};
    case VT_BOOL: return Value::boolean(V_BOOL(&in) != VARIANT_FALSE);
    case VT_I4: return Value::integer(V_I4(&in));
    case VT_BSTR: return Value::text(fromBstr(V_BSTR(&in)));
    case VT_ERROR: return V_ERROR(&in) == DISP_E_PARAMNOTFOUND ? Value::omitted() : Value();
    case VT_DISPATCH:
    case VT_UNKNOWN: {
        IUnknown* unknown = V_VT(&in) == VT_DISPATCH ? V_DISPATCH(&in) : V_UNKNOWN(&in);
        IDispatch* dispatch = nullptr;
        if (!unknown || FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
            return {};
        return Value::object(wrap(dispatch));
    }
    default: {
        // Other numbers (a count may come as VT_I2 or VT_R8) as automation would convert them.
        Variant number;
        if (SUCCEEDED(VariantChangeType(&number.v, &in, 0, VT_I4))) return Value::integer(V_I4(&number.v));
        Variant text;
        if (SUCCEEDED(VariantChangeType(&text.v, &in, 0, VT_BSTR))) return Value::text(fromBstr(V_BSTR(&text.v)));
        return {};
    }
    }
}

bool isServerGone(HRESULT hr) {
    switch (static_cast<unsigned long>(hr)) {
    case 0x800706BAul:  // RPC_S_SERVER_UNAVAILABLE
    case 0x800706BFul:  // RPC_S_CALL_FAILED_DNE
    case 0x80010108ul:  // RPC_E_DISCONNECTED
    case 0x80010007ul:  // RPC_E_SERVER_DIED
    case 0x80010012ul:  // RPC_E_SERVER_DIED_DNE
    case 0x800401FDul:  // CO_E_OBJNOTCONNECTED
        return true;
    default: return false;
    }
}

AutomationError failure(HRESULT hr, std::string_view what, EXCEPINFO* info) {
    HRESULT code = hr;
    std::string description;
    if (info) {
        if (hr == DISP_E_EXCEPTION) {
            if (info->pfnDeferredFillIn) info->pfnDeferredFillIn(info);
            if (info->scode) code = info->scode;
            else if (info->wCode) code = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, info->wCode);
            description = fromBstr(info->bstrDescription);
        }
        SysFreeString(info->bstrSource);
        SysFreeString(info->bstrDescription);
        SysFreeString(info->bstrHelpFile);
        *info = EXCEPINFO{};
    }
    if (isServerGone(code)) code = errors::kServerGone;
    if (description.empty()) description = std::string(what) + ": " + systemText(code);
    return AutomationError(code, description);
}

}  // namespace vorrindel::automation::com
