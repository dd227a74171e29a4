// The test office's server program: vorrindel_test_office.exe <excel|word|powerpoint|access>, as
// COM starts it (with -Embedding). It serves one instance of that application until Quit, or
// until it has had no call for a minute (a test that died cannot leave it behind for long).

#include "Server.h"
#include "automation/com/ComUnknown.h"

#include <shellapi.h>

using namespace vorrindel::testing::office;

namespace {

class Factory final : public vorrindel::automation::com::ComUnknown<IClassFactory> {
public:
    explicit Factory(Server& server) : server_(server) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        server_.log(std::string(server_.app.key) + ":" + std::to_string(server_.pid) + " create");
        // An application started once per creation takes no second client.
        if (!server_.app.oneInstance && server_.classCookie) {
            CoRevokeClassObject(server_.classCookie);
            server_.classCookie = 0;
        }
        return server_.application->QueryInterface(riid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    Server& server_;
};

const TestApp* appNamed(const wchar_t* key) {
    for (const TestApp& app : kTestApps)
        if (std::wstring(app.key.begin(), app.key.end()) == key) return &app;
    return nullptr;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const TestApp* app = nullptr;
    for (int i = 1; i < argc && !app; ++i) app = appNamed(argv[i]);
    LocalFree(argv);
    if (!app) return 2;

    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 3;
    {
        Server server(*app);
        server.application = makeApplication(server);
        server.log(std::string(app->key) + ":" + std::to_string(server.pid) + " start");
        // Creatable first: whoever sees the instance running may create through it at once.
        auto* factory = new Factory(server);
        CoRegisterClassObject(app->clsid, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &server.classCookie);
        factory->Release();
        RegisterActiveObject(server.application, app->clsid, ACTIVEOBJECT_STRONG, &server.activeCookie);

        constexpr ULONGLONG kIdleLimitMs = 60'000;
        while (WaitForSingleObject(server.quit, 5'000) == WAIT_TIMEOUT)
            if (GetTickCount64() - server.lastCall > kIdleLimitMs) break;
        server.withdraw();
        // Let the answer to Quit reach its caller before the process goes.
        Sleep(50);
        CoDisconnectObject(server.application, 0);
        server.application->Release();
    }
    CoUninitialize();
    return 0;
}
