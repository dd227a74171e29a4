// Time per opener request through the COM backend, against the same COM calls made by hand
// (GetIDsOfNames and Invoke for each member, as late binding does), in the same run and against
// the same test office instances. The difference is the backend's own cost: values converted,
// deadline kept, objects wrapped. Goal: at most 1.2 times the raw calls.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "FakePicker.h"
#include "TestOffice.h"
#include "automation/com/ComAutomation.h"
#include "common/WideText.h"
#include "opening/OpenRequest.h"

using namespace vorrindel;
using testing::office::invokeRaw;
using Clock = std::chrono::steady_clock;

namespace {

VARIANT text(const std::string& s) {
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(windows::widen(s).c_str());
    return v;
}
VARIANT number(LONG n) {
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = n;
    return v;
}
VARIANT boolean(bool b) {
    VARIANT v;
    V_VT(&v) = VT_BOOL;
    V_BOOL(&v) = b ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}
VARIANT omitted() {
    VARIANT v;
    V_VT(&v) = VT_ERROR;
    V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
    return v;
}
std::vector<VARIANT> omittedArgs(std::size_t n) { return std::vector<VARIANT>(n, omitted()); }

// One member call by hand; an object result is returned, anything else dropped.
IDispatch* call(IDispatch* object, const wchar_t* member, WORD flags, std::vector<VARIANT> args = {},
                LCID lcid = LOCALE_USER_DEFAULT) {
    VARIANT result;
    VariantInit(&result);
    const bool put = flags == DISPATCH_PROPERTYPUT;
    invokeRaw(object, member, flags, args, put ? nullptr : &result, lcid);
    for (VARIANT& v : args) VariantClear(&v);
    if (V_VT(&result) == VT_DISPATCH) return V_DISPATCH(&result);
    VariantClear(&result);
    return nullptr;
}
void release(IDispatch* object) {
    if (object) object->Release();
}
constexpr WORD kGet = DISPATCH_PROPERTYGET | DISPATCH_METHOD;

IDispatch* create(const wchar_t* progId) {
    CLSID clsid;
    CLSIDFromProgID(progId, &clsid);
    IDispatch* object = nullptr;
    CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object));
    return object;
}

IDispatch* running(const wchar_t* progId) {
    CLSID clsid;
    CLSIDFromProgID(progId, &clsid);
    IUnknown* unknown = nullptr;
    IDispatch* object = nullptr;
    if (SUCCEEDED(GetActiveObject(clsid, nullptr, &unknown))) {
        unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&object));
        unknown->Release();
    }
    return object;
}

// The calls of a second Excel request with the box unticked: close the previous workbook, open the
// new one, show Excel, maximise the created application.
void rawExcel(IDispatch* global, const std::string& path, const std::string& previous) {
    IDispatch* created = create(L"excel.application");
    IDispatch* app = call(global, L"Application", kGet);
    IDispatch* workbooks = call(app, L"Workbooks", kGet);
    IDispatch* old = call(workbooks, L"Item", kGet, {text(previous)});
    release(call(old, L"Close", DISPATCH_METHOD, omittedArgs(3), 1033));
    release(old);
    release(workbooks);
    release(app);
    app = call(global, L"Application", kGet);
    workbooks = call(app, L"Workbooks", kGet);
    std::vector<VARIANT> args{text(path), omitted(), boolean(false)};
    args.resize(13, omitted());
    IDispatch* workbook = call(workbooks, L"Open", DISPATCH_METHOD, args, 1033);
    release(workbooks);
    release(app);
    app = call(workbook, L"Application", kGet);
    call(app, L"Visible", DISPATCH_PROPERTYPUT, {boolean(true)}, 1033);
    release(app);
    call(created, L"WindowState", DISPATCH_PROPERTYPUT, {number(-4137)}, 1033);
    release(workbook);
    release(created);
}

// A later Word request: count, close the previous document, open, show, activate.
void rawWord(IDispatch* global, const std::string& path, const std::string& previous) {
    IDispatch* documents = call(global, L"Documents", kGet);
    call(documents, L"Count", kGet);
    release(documents);
    documents = call(global, L"Documents", kGet);
    IDispatch* old = call(documents, L"Item", kGet, {text(previous)});
    release(call(old, L"Close", DISPATCH_METHOD, omittedArgs(3)));
    release(old);
    release(documents);
    documents = call(global, L"Documents", kGet);
    std::vector<VARIANT> args{text(path)};
    args.resize(10, omitted());
    release(call(documents, L"Open", DISPATCH_METHOD, args));
    release(documents);
    IDispatch* app = call(global, L"Application", kGet);
    call(app, L"Visible", DISPATCH_PROPERTYPUT, {boolean(true)});
    release(app);
    app = call(global, L"Application", kGet);
    call(app, L"Activate", DISPATCH_METHOD);
    release(app);
}

// A later PowerPoint request: create, show, activate, close the previous, open, maximise.
void rawPowerPoint(IDispatch*, const std::string& path, const std::string& previous) {
    IDispatch* app = create(L"PowerPoint.Application");
    call(app, L"Visible", DISPATCH_PROPERTYPUT, {number(1)});
    call(app, L"Activate", DISPATCH_METHOD);
    IDispatch* presentations = call(app, L"Presentations", kGet);
    IDispatch* old = call(presentations, L"Item", kGet, {text(previous.substr(0, previous.size() - 4))});
    release(call(old, L"Close", DISPATCH_METHOD));
    release(old);
    release(presentations);
    presentations = call(app, L"Presentations", kGet);
    release(call(presentations, L"Open", DISPATCH_METHOD, {text(path), boolean(false), boolean(false), boolean(true)}));
    release(presentations);
    call(app, L"WindowState", DISPATCH_PROPERTYPUT, {number(3)});
    release(app);
}

struct Case {
    const char* type;
    const wchar_t* global;  // the application the raw calls reach as the global object, if any
    const char* files[2];
    void (*raw)(IDispatch*, const std::string&, const std::string&);
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    automation::com::Apartment apartment;
    testing::office::registerTestOffice();
    testing::office::TestFolder folder;
    const Case cases[] = {
        {"Excel", L"excel.application", {"a.xls", "b.xls"}, rawExcel},
        {"Word", L"word.application", {"a.doc", "b.doc"}, rawWord},
        {"PowerPoint", nullptr, {"a.ppt", "b.ppt"}, rawPowerPoint},
    };
    // Raw and backend requests take turns, so that both see the same load; the medians of single
    // requests leave out the odd one the machine held up.
    constexpr int kRequests = 40;  // per side: even, so each side ends with the same file open

    std::printf("%-11s %12s %12s %8s\n", "request", "raw COM ms", "backend ms", "ratio");
    bool met = true;
    {
        automation::com::ComAutomation backend;
        testing::FakePicker picker;
        opening::OpenRequest request(backend, picker);
        picker.dir = folder.path();
        for (const Case& c : cases) {
            for (const char* file : c.files) folder.file(file);
            picker.type = c.type;
            // Warm up: the application started, both files opened once, the global object attached.
            for (const char* file : c.files) {
                picker.file = file;
                request.File1_Click();
            }
            IDispatch* global = c.global ? running(c.global) : nullptr;
            std::vector<double> raw, ours;
            const auto timed = [](std::vector<double>& into, const std::function<void()>& request) {
                const auto start = Clock::now();
                request();
                into.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            };
            for (int n = 0; n < 2 * kRequests; ++n) {
                const char* file = c.files[n % 2];
                if (n % 4 < 2) {
                    timed(raw, [&] { c.raw(global, folder.path() + "\\" + file, c.files[(n + 1) % 2]); });
                } else {
                    timed(ours, [&] {
                        picker.file = file;
                        backend.beginRequest(automation::Clock::now() + std::chrono::seconds(30));
                        request.File1_Click();
                        backend.endRequest();
                    });
                }
            }
            release(global);
            const double ratio = median(ours) / median(raw);
            met = met && ratio <= 1.2;
            std::printf("%-11s %12.2f %12.2f %8.2f\n", c.type, median(raw), median(ours), ratio);
        }
    }
    testing::office::quitTestOffice();
    std::printf("goal: backend at most 1.2x the raw calls: %s\n", met ? "met" : "NOT met");
    return 0;
}
