// The objects of the test office: application, collection and document, each an IDispatch written
// by hand over one table of members. They behave as the in-memory office of the opener tests does
// (items by name ignoring case, presentations by name less the extension, Access one database per
// instance), check what a typed server would check (a put needs its DISPID_PROPERTYPUT, a method
// is not a property), and log every call as it arrived.

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>

#include "Server.h"
#include "automation/com/ComUnknown.h"
#include "common/WideText.h"

namespace vorrindel::testing::office {

namespace {

enum Member : DISPID {
    kApplication = 1, kWorkbooks, kDocuments, kPresentations, kVisible, kWindowState, kActivate,
    kOpenCurrentDatabase, kCloseCurrentDatabase, kQuit, kCount, kItem, kOpen, kClose, kName,
    kTestHang = 100, kTestBusy, kTestProcessId, kTestReset
};

enum class Kind { Application, Collection, Document };

struct MemberInfo {
    const wchar_t* name;
    DISPID id;
    Kind kind;
    WORD flags;  // DISPATCH_METHOD, or DISPATCH_PROPERTYGET and/or DISPATCH_PROPERTYPUT
    bool accessOnly;
};

constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;
constexpr WORD kMethod = DISPATCH_METHOD;

constexpr MemberInfo kMembers[] = {
    {L"Application", kApplication, Kind::Application, kGet, false},
    {L"Workbooks", kWorkbooks, Kind::Application, kGet, false},
    {L"Documents", kDocuments, Kind::Application, kGet, false},
    {L"Presentations", kPresentations, Kind::Application, kGet, false},
    {L"Visible", kVisible, Kind::Application, kGet | kPut, false},
    {L"WindowState", kWindowState, Kind::Application, kGet | kPut, false},
    {L"Activate", kActivate, Kind::Application, kMethod, false},
    {L"OpenCurrentDatabase", kOpenCurrentDatabase, Kind::Application, kMethod, true},
    {L"CloseCurrentDatabase", kCloseCurrentDatabase, Kind::Application, kMethod, true},
    {L"Quit", kQuit, Kind::Application, kMethod, false},
    {L"TestHang", kTestHang, Kind::Application, kPut, false},
    {L"TestBusy", kTestBusy, Kind::Application, kPut, false},
    {L"TestProcessId", kTestProcessId, Kind::Application, kGet, false},
    {L"TestReset", kTestReset, Kind::Application, kMethod, false},
    {L"Count", kCount, Kind::Collection, kGet, false},
    {L"Item", kItem, Kind::Collection, kGet | kMethod, false},
    {L"Open", kOpen, Kind::Collection, kMethod, false},
    {L"Application", kApplication, Kind::Document, kGet, false},
    {L"Close", kClose, Kind::Document, kMethod, false},
    {L"Name", kName, Kind::Document, kGet, false},
};

bool sameText(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// The log spells what arrived as the program does: a lone surrogate as WTF-8, not as U+FFFD.
using windows::narrow;
using windows::widen;

std::string describe(const VARIANT& v) {
    char buffer[32];
    switch (V_VT(&v)) {
    case VT_EMPTY: return "<empty>";
    case VT_BSTR: return '"' + narrow(std::wstring_view(V_BSTR(&v), SysStringLen(V_BSTR(&v)))) + '"';
    case VT_BOOL: return "bool(" + std::to_string(V_BOOL(&v)) + ")";
    case VT_I4: return "i4(" + std::to_string(V_I4(&v)) + ")";
    case VT_I2: return "i2(" + std::to_string(V_I2(&v)) + ")";
    case VT_DISPATCH: return "<object>";
    case VT_ERROR:
        if (V_ERROR(&v) == DISP_E_PARAMNOTFOUND) return "<omitted>";
        std::snprintf(buffer, sizeof buffer, "error(0x%08lX)", static_cast<unsigned long>(V_ERROR(&v)));
        return buffer;
    default: return "vt(" + std::to_string(V_VT(&v)) + ")";
    }
}

std::string flagsText(WORD flags) {
    switch (flags) {
    case kMethod: return "method";
    case kGet: return "get";
    case kMethod | kGet: return "method|get";
    case kPut: return "put";
    case DISPATCH_PROPERTYPUTREF: return "putref";
    default: return "flags(" + std::to_string(flags) + ")";
    }
}

std::wstring fileName(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring stem(const std::wstring& name) {
    const auto dot = name.find_last_of(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

// A failure the way an application reports one: DISP_E_EXCEPTION with its code and text.
struct Failure {
    HRESULT code;
    std::wstring text;
};

// Files the office "cannot open": missing ones, and any whose name says it is broken.
std::optional<Failure> unopenable(const std::wstring& path) {
    std::wstring lower = fileName(path);
    CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    if (lower.find(L"broken") != std::wstring::npos)
        return Failure{E_FAIL, L"The file '" + path + L"' is damaged and cannot be opened."};
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return Failure{E_FAIL, L"The file '" + path + L"' cannot be found."};
    return std::nullopt;
}

class Object final : public automation::com::ComUnknown<IDispatch> {
public:
    Object(Server& server, Kind kind, std::wstring document = {})
        : server_(server), kind_(kind), document_(std::move(document)) {}

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (count == 0) return E_INVALIDARG;
        const MemberInfo* member = find(names[0]);
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        if (!member) return DISP_E_UNKNOWNNAME;
        ids[0] = member->id;
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT*) override {
        server_.lastCall = GetTickCount64();
        const MemberInfo* member = byId(id);
        if (!member) return DISP_E_MEMBERNOTFOUND;

        // Positional arguments in the caller's order; a put's value is its named argument.
        const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
        const UINT named = params ? params->cNamedArgs : 0;
        if (put && (named != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) return DISP_E_PARAMNOTFOUND;
        if (!put && named != 0) return DISP_E_NONAMEDARGS;
        std::vector<const VARIANT*> args;
        for (UINT i = params ? params->cArgs : 0; i > named; --i) args.push_back(&params->rgvarg[i - 1]);
        if (put) args.push_back(&params->rgvarg[0]);

        const bool testOnly = member->id >= kTestHang;
        std::string line = std::string(server_.app.key) + ":" + std::to_string(server_.pid) + " " + label() + "." +
                           narrow(member->name) + " " + flagsText(flags) + " (";
        for (std::size_t i = 0; i < args.size(); ++i) line += (i ? ", " : "") + describe(*args[i]);
        line += ") @" + std::to_string(lcid);

        HRESULT hr = testOnly ? S_OK : waitOrReject();
        if (hr == S_OK) {
            if (!(flags & member->flags) || (put && !(member->flags & kPut))) hr = DISP_E_MEMBERNOTFOUND;
            else hr = perform(*member, put, args, result, info);
        }
        if (!testOnly) {
            if (FAILED(hr)) {
                char code[16];
                std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(
                                                                hr == DISP_E_EXCEPTION && info ? info->scode : hr));
                line += std::string(" -> ") + code;
            }
            server_.log(line);
        }
        return hr;
    }

private:
    const MemberInfo* find(const wchar_t* name) const {
        for (const MemberInfo& m : kMembers)
            if (m.kind == kind_ && sameText(m.name, name) && applies(m)) return &m;
        return nullptr;
    }
    const MemberInfo* byId(DISPID id) const {
        for (const MemberInfo& m : kMembers)
            if (m.kind == kind_ && m.id == id && applies(m)) return &m;
        return nullptr;
    }
    bool applies(const MemberInfo& m) const {
        const bool access = server_.app.collection.empty();
        if (m.accessOnly && !access) return false;
        if (m.id == kWorkbooks || m.id == kDocuments || m.id == kPresentations)
            return !access && sameText(m.name, widen(server_.app.collection));
        return true;
    }

    std::string label() const {
        switch (kind_) {
        case Kind::Application: return "Application";
        case Kind::Collection: return std::string(server_.app.collection);
        case Kind::Document: return std::string(server_.app.document) + "[" + narrow(document_) + "]";
        }
        return "?";
    }

    // The test switches: an office stuck for a while (every call arriving meanwhile is answered
    // only when that time is up, the office quits, or the hang is lifted), or a rejection as if
    // the office were busy.
    HRESULT waitOrReject() {
        ULONGLONG until = 0;
        {
            std::lock_guard lock(server_.mutex);
            if (server_.busyCalls > 0) {
                --server_.busyCalls;
                return RPC_E_SERVERCALL_RETRYLATER;
            }
            until = server_.stuckUntil;
        }
        if (const ULONGLONG now = GetTickCount64(); until > now) {
            const HANDLE wakers[] = {server_.quit, server_.resumed};
            WaitForMultipleObjects(2, wakers, FALSE, static_cast<DWORD>(until - now));
        }
        return S_OK;
    }

    static HRESULT fail(EXCEPINFO* info, const Failure& failure, const TestApp& app) {
        if (info) {
            *info = EXCEPINFO{};
            info->bstrSource = SysAllocString(app.progId);
            info->bstrDescription = SysAllocString(failure.text.c_str());
            info->scode = failure.code;
        }
        return DISP_E_EXCEPTION;
    }

    static std::optional<std::wstring> text(const std::vector<const VARIANT*>& args, std::size_t i) {
        if (i >= args.size() || V_VT(args[i]) != VT_BSTR) return std::nullopt;
        return std::wstring(V_BSTR(args[i]), SysStringLen(V_BSTR(args[i])));
    }
    static std::optional<long> number(const std::vector<const VARIANT*>& args, std::size_t i) {
        if (i >= args.size()) return std::nullopt;
        VARIANT converted;
        VariantInit(&converted);
        if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(args[i]), 0, VT_I4))) return std::nullopt;
        return V_I4(&converted);
    }

    static void returnObject(VARIANT* result, IDispatch* object) {
        if (!result) {
            object->Release();
            return;
        }
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = object;
    }

    HRESULT perform(const MemberInfo& member, bool put, const std::vector<const VARIANT*>& args, VARIANT* result,
                    EXCEPINFO* info) {
        std::unique_lock lock(server_.mutex);
        auto& docs = server_.documents;
        const auto named = [&](const std::wstring& name) {
            return std::find_if(docs.begin(), docs.end(), [&](const std::wstring& doc) {
                return sameText(server_.app.itemByStem ? stem(doc) : doc, name);
            });
        };
        switch (member.id) {
        case kApplication:
            server_.application->AddRef();
            returnObject(result, server_.application);
            return S_OK;
        case kWorkbooks:
        case kDocuments:
        case kPresentations: returnObject(result, new Object(server_, Kind::Collection)); return S_OK;
        case kVisible:
        case kWindowState: {
            if (!put) {
                if (result) {
                    V_VT(result) = member.id == kVisible ? VT_BOOL : VT_I4;
                    if (member.id == kVisible) V_BOOL(result) = server_.visible ? VARIANT_TRUE : VARIANT_FALSE;
                    else V_I4(result) = server_.windowState;
                }
                return S_OK;
            }
            const auto value = number(args, 0);
            if (!value) return DISP_E_TYPEMISMATCH;
            if (member.id == kVisible) server_.visible = *value != 0;
            else server_.windowState = *value;
            return S_OK;
        }
        case kActivate: return S_OK;
        case kTestProcessId:
            if (result) {
                V_VT(result) = VT_I4;
                V_I4(result) = static_cast<LONG>(server_.pid);
            }
            return S_OK;
        case kTestHang:
        case kTestBusy: {
            const auto value = number(args, 0);
            if (!value) return DISP_E_TYPEMISMATCH;
            if (member.id == kTestBusy) {
                server_.busyCalls = *value;
            } else if (*value > 0) {
                ResetEvent(server_.resumed);
                server_.stuckUntil = GetTickCount64() + static_cast<ULONGLONG>(*value);
            } else {
                server_.stuckUntil = 0;
                SetEvent(server_.resumed);
            }
            return S_OK;
        }
        case kTestReset:  // as just started
            server_.visible = false;
            server_.windowState = 0;
            docs.clear();
            server_.database.clear();
            server_.unregisterDatabase();
            server_.busyCalls = 0;
            server_.stuckUntil = 0;
            SetEvent(server_.resumed);
            return S_OK;
        case kOpenCurrentDatabase: {
            const auto path = text(args, 0);
            if (!path) return DISP_E_TYPEMISMATCH;
            if (!server_.database.empty())
                return fail(info, {E_FAIL, L"You already have the database open."}, server_.app);
            if (const auto failure = unopenable(*path)) return fail(info, *failure, server_.app);
            server_.database = *path;
            registerDatabase();
            return S_OK;
        }
        case kCloseCurrentDatabase:
            server_.database.clear();
            server_.unregisterDatabase();
            return S_OK;
        case kQuit:
            lock.unlock();
            server_.withdraw();
            SetEvent(server_.quit);
            return S_OK;
        case kCount:
            if (result) {
                V_VT(result) = VT_I4;
                V_I4(result) = static_cast<LONG>(docs.size());
            }
            return S_OK;
        case kItem: {
            const auto name = text(args, 0);
            const auto index = name ? std::nullopt : number(args, 0);
            auto it = name ? named(*name) : index && *index >= 1 && *index <= long(docs.size()) ? docs.begin() + (*index - 1)
                                                                                              : docs.end();
            if (it == docs.end())
                return fail(info, {DISP_E_BADINDEX, L"The requested member of the collection does not exist."},
                            server_.app);
            returnObject(result, new Object(server_, Kind::Document, *it));
            return S_OK;
        }
        case kOpen: {
            const auto path = text(args, 0);
            if (!path) return DISP_E_TYPEMISMATCH;
            if (const auto failure = unopenable(*path)) return fail(info, *failure, server_.app);
            const std::wstring name = fileName(*path);
            auto it = std::find_if(docs.begin(), docs.end(), [&](const std::wstring& d) { return sameText(d, name); });
            if (it == docs.end()) it = docs.insert(docs.end(), name);
            returnObject(result, new Object(server_, Kind::Document, *it));
            return S_OK;
        }
        case kClose:
        case kName: {
            const auto it = std::find(docs.begin(), docs.end(), document_);
            if (it == docs.end()) return fail(info, {RPC_E_DISCONNECTED, L"The object has been deleted."}, server_.app);
            if (member.id == kClose) docs.erase(it);
            else if (result) {
                V_VT(result) = VT_BSTR;
                V_BSTR(result) = SysAllocString(document_.c_str());
            }
            return S_OK;
        }
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    // An Access is found by the database it holds, under that file's name (as GetObject finds it).
    void registerDatabase() {
        IRunningObjectTable* table = nullptr;
        IMoniker* moniker = nullptr;
        if (SUCCEEDED(GetRunningObjectTable(0, &table)) &&
            SUCCEEDED(CreateFileMoniker(server_.database.c_str(), &moniker)))
            table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, server_.application, moniker, &server_.databaseCookie);
        if (moniker) moniker->Release();
        if (table) table->Release();
    }

    Server& server_;
    Kind kind_;
    std::wstring document_;
};

}  // namespace

Server::Server(const TestApp& app)
    : app(app), quit(CreateEventW(nullptr, TRUE, FALSE, nullptr)), resumed(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    logPath.assign(path, n);
    logPath = logPath.substr(0, logPath.find_last_of(L'\\') + 1) + kLogName;
}

Server::~Server() {
    CloseHandle(resumed);
    CloseHandle(quit);
}

void Server::log(const std::string& line) {
    // Appended whole, so that lines of several server processes do not mix.
    HANDLE file = CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

void Server::withdraw() {
    std::lock_guard lock(mutex);
    if (classCookie) CoRevokeClassObject(std::exchange(classCookie, 0));
    if (activeCookie) RevokeActiveObject(std::exchange(activeCookie, 0), nullptr);
    unregisterDatabase();
    database.clear();
}

void Server::unregisterDatabase() {
    IRunningObjectTable* table = nullptr;
    if (databaseCookie && SUCCEEDED(GetRunningObjectTable(0, &table))) {
        table->Revoke(databaseCookie);
        table->Release();
    }
    databaseCookie = 0;
}

IDispatch* makeApplication(Server& server) { return new Object(server, Kind::Application); }

}  // namespace vorrindel::testing::office
