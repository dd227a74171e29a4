#pragma once
// The test office's server process: one instance of one application, its documents, and the
// objects that clients reach it through. Calls arrive on COM's threads (a multi-threaded
// apartment), so the test switches, which are never held up, get through while TestHang has the
// office stuck.

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "../TestApps.h"

namespace vorrindel::testing::office {

struct Server {
    explicit Server(const TestApp& app);
    ~Server();

    const TestApp& app;
    const DWORD pid = GetCurrentProcessId();
    std::wstring logPath;
    HANDLE quit;     // set by Quit: the process ends
    HANDLE resumed;  // set by TestHang 0: calls held up by a hang go on at once
    std::atomic<ULONGLONG> lastCall{GetTickCount64()};

    std::mutex mutex;  // guards everything below
    bool visible = false;
    long windowState = 0;
    std::vector<std::wstring> documents;  // file names, in the order opened
    std::wstring database;                // Access: the path of the open database
    DWORD databaseCookie = 0;             // its entry in the running object table
    ULONGLONG stuckUntil = 0;             // calls arriving before this tick wait until then
    long busyCalls = 0;                   // this many calls are rejected as busy
    DWORD activeCookie = 0;
    DWORD classCookie = 0;
    IDispatch* application = nullptr;

    void log(const std::string& line);
    // Leaves the running object table and the class table: no client finds this instance again.
    void withdraw();
    void unregisterDatabase();  // with the mutex held
};

IDispatch* makeApplication(Server& server);

}  // namespace vorrindel::testing::office
