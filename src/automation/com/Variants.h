#pragma once
// Values of the automation boundary as COM carries them, and COM failures as AutomationError.

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <string>
#include <string_view>

#include "automation/Automation.h"
#include "common/WideText.h"

namespace vorrindel::automation::com {

// Text crosses COM through the converter the listing uses, so that every name listed (a lone
// surrogate included) reaches the office as the file system spells it.
using windows::narrow;
using windows::widen;

// A VARIANT that clears itself.
struct Variant {
    VARIANT v;
    Variant() { VariantInit(&v); }
    ~Variant() { VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

// Fills `out` (initialised, empty) with `value`: omitted as VT_ERROR DISP_E_PARAMNOTFOUND, truth
// values as VT_BOOL, numbers as VT_I4, text as BSTR, objects as VT_DISPATCH. `dispatchOf` gives the
// interface behind an object reference (AddRef'd), or throws.
void toVariant(const Value& value, VARIANT& out, const std::function<IDispatch*(const ObjectRef&)>& dispatchOf);

// Reads `in`; an interface it holds is handed to `wrap`, which takes over that reference.
Value fromVariant(VARIANT& in, const std::function<ObjectRef(IDispatch*)>& wrap);

// The codes by which COM says that the instance behind a proxy no longer runs.
bool isServerGone(HRESULT hr);

// A failure of `what` with code `hr`, described by the server's own text when it gave one, else by
// the system's text for the code. Codes meaning "the instance has gone" become errors::kServerGone.
// Takes over the strings in `info`.
AutomationError failure(HRESULT hr, std::string_view what, EXCEPINFO* info = nullptr);

}  // namespace vorrindel::automation::com
