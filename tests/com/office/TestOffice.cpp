#include "TestOffice.h"

#include "common/WideText.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>

namespace vorrindel::testing::office {

namespace {

// The server program, built beside this one. The build gives a Unix path; Wine shows / as Z:.
std::wstring serverPath() {
    std::wstring path = std::filesystem::path(VORRINDEL_TEST_OFFICE_PROGRAM).wstring();
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path.starts_with(L"\\") ? L"Z:" + path : path;
}

std::wstring logPath() {
    const std::wstring server = serverPath();
    return server.substr(0, server.find_last_of(L'\\') + 1) + kLogName;
}

void setValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY handle;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr))
        throw std::runtime_error("cannot register the test office");
    RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
}

std::wstring text(const CLSID& clsid) {
    wchar_t buffer[64];
    StringFromGUID2(clsid, buffer, 64);
    return buffer;
}

IDispatch* running(const TestApp& app) {
    IUnknown* unknown = nullptr;
    IDispatch* dispatch = nullptr;
    if (SUCCEEDED(GetActiveObject(app.clsid, nullptr, &unknown))) {
        unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
        unknown->Release();
    }
    return dispatch;
}

const TestApp& appKeyed(std::string_view key) {
    for (const TestApp& app : kTestApps)
        if (app.key == key) return app;
    throw std::invalid_argument("no test application " + std::string(key));
}

}  // namespace

void registerTestOffice() {
    const std::wstring server = serverPath();
    for (const TestApp& app : kTestApps) {
        const std::wstring classKey = L"Software\\Classes\\CLSID\\" + text(app.clsid);
        setValue(L"Software\\Classes\\" + std::wstring(app.progId) + L"\\CLSID", nullptr, text(app.clsid));
        setValue(classKey, nullptr, L"Vorrindel test office");
        setValue(classKey + L"\\ProgID", nullptr, app.progId);
        setValue(classKey + L"\\LocalServer32", nullptr,
                 L"\"" + server + L"\" " + std::wstring(app.key.begin(), app.key.end()));
    }
}

void startTestOffice(std::string_view key) {
    const TestApp& app = appKeyed(key);
    const int before = runningInstances(key);
    std::wstring command = L"\"" + serverPath() + L"\" " + std::wstring(key.begin(), key.end()) + L" -Embedding";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        throw std::runtime_error("cannot start the test office");
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int waited = 0; runningInstances(app.key) == before; waited += 5) {
        if (waited > 10'000) throw std::runtime_error("the test office did not start");
        Sleep(5);
    }
}

void quitTestOffice() {
    for (const TestApp& app : kTestApps) {
        // Access may run several times; each quit withdraws that instance from the table.
        for (int i = 0; i < 16; ++i) {
            IDispatch* instance = running(app);
            if (!instance) break;
            VARIANT pid;
            VariantInit(&pid);
            invokeRaw(instance, L"TestProcessId", DISPATCH_PROPERTYGET, {}, &pid);
            HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(V_I4(&pid)));
            invokeRaw(instance, L"Quit", DISPATCH_METHOD);
            instance->Release();
            // Gone for good, so that the next test cannot reach it.
            if (process) {
                WaitForSingleObject(process, 5000);
                CloseHandle(process);
            }
        }
    }
}

void resetTestOffice() {
    for (const TestApp& app : kTestApps) {
        if (IDispatch* instance = running(app)) {
            invokeRaw(instance, L"TestReset", DISPATCH_METHOD);
            instance->Release();
        }
    }
}

void stickTestOffice(long ms) {
    VARIANT value;
    V_VT(&value) = VT_I4;
    V_I4(&value) = ms;
    for (const TestApp& app : kTestApps) {
        if (IDispatch* instance = running(app)) {
            invokeRaw(instance, L"TestHang", DISPATCH_PROPERTYPUT, {value});
            instance->Release();
        }
    }
}

int runningInstances(std::string_view key) {
    const TestApp& app = appKeyed(key);
    int count = 0;
    IRunningObjectTable* table = nullptr;
    IEnumMoniker* monikers = nullptr;
    IMoniker* wanted = nullptr;
    if (SUCCEEDED(GetRunningObjectTable(0, &table)) && SUCCEEDED(table->EnumRunning(&monikers)) &&
        SUCCEEDED(CreateItemMoniker(L"!", text(app.clsid).c_str(), &wanted))) {
        IMoniker* moniker = nullptr;
        while (monikers->Next(1, &moniker, nullptr) == S_OK) {
            if (moniker->IsEqual(wanted) == S_OK) ++count;
            moniker->Release();
        }
    }
    for (IUnknown* used : {static_cast<IUnknown*>(wanted), static_cast<IUnknown*>(monikers),
                           static_cast<IUnknown*>(table)})
        if (used) used->Release();
    return count;
}

OfficeLog::OfficeLog() { std::ofstream(std::filesystem::path(logPath()), std::ios::trunc); }

OfficeLog::~OfficeLog() { std::filesystem::remove(std::filesystem::path(logPath())); }

std::vector<std::string> OfficeLog::lines() const {
    std::ifstream in{std::filesystem::path(logPath())};
    std::vector<std::string> lines;
    std::map<std::string, int> numbers;  // "access:1234" -> 2
    std::map<std::string, int> perApp;
    for (std::string line; std::getline(in, line);) {
        const auto space = line.find(' ');
        const std::string instance = line.substr(0, space);
        auto [it, added] = numbers.try_emplace(instance, 0);
        const std::string app = instance.substr(0, instance.find(':'));
        if (added) it->second = ++perApp[app];
        lines.push_back(app + "#" + std::to_string(it->second) + line.substr(space));
    }
    return lines;
}

std::vector<std::string> OfficeLog::take() {
    std::vector<std::string> all = lines();
    std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(std::min(taken_, all.size())), all.end());
    taken_ = all.size();
    return fresh;
}

TestFolder::TestFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::filesystem::path folder = std::filesystem::path(temp) / ("vorrindel-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    path_ = windows::narrow(folder.native());
}

TestFolder::~TestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(windows::widen(path_), ignored);
}

std::string TestFolder::file(const std::string& name) {
    // Through the program's own converter: the name may hold a lone surrogate, as on NTFS.
    std::ofstream(std::filesystem::path(windows::widen(path_ + "\\" + name))).put('\0');
    return path_ + "\\" + name;
}

HRESULT invokeRaw(IDispatch* object, const wchar_t* member, WORD flags, std::vector<VARIANT> args, VARIANT* result,
                  LCID lcid) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
    DISPID id;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, lcid, &id);
    if (FAILED(hr)) return hr;
    std::reverse(args.begin(), args.end());
    DISPID putId = DISPID_PROPERTYPUT;
    const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    DISPPARAMS params{args.data(), put ? &putId : nullptr, static_cast<UINT>(args.size()), put ? 1u : 0u};
    EXCEPINFO info{};
    hr = object->Invoke(id, IID_NULL, lcid, flags, &params, result, &info, nullptr);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    return hr;
}

}  // namespace vorrindel::testing::office
