#pragma once
// The test office seen from a test or benchmark: registering it, reading what it received,
// ending it, and files for it to open.

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "TestApps.h"

namespace vorrindel::testing::office {

// Registers the four applications, served by the test office program, in the machine's classes
// (Wine 8 does not read per-user class registrations).
void registerTestOffice();
// Starts an instance of `app` ("excel") and waits until clients can reach it. COM under Wine waits
// a whole second for every server it starts itself; tests that are not about starting one save it.
void startTestOffice(std::string_view app);
// Quits every running instance of the test office.
void quitTestOffice();
// How many instances of `app` ("excel") run now.
int runningInstances(std::string_view app);
// Brings each application's running instance (Access: the one found first) back to how it
// started: no document open, hidden, neither stuck nor busy.
void resetTestOffice();
// Makes each application's running instance (Access: the one found first) stuck for `ms`: a call
// arriving meanwhile is answered only when that time is up, or at once after stickTestOffice(0).
void stickTestOffice(long ms);

// What the test office received, in order, while this object lives. Each line names its instance
// by application and a number in order of appearance ("access#2"), then the object, the member,
// the access ("method", "get", "method|get", "put"), the arguments as they arrived
// (("C:\f\a.xls", <omitted>, bool(0), i4(1))), the locale ("@1033") and, for a failure,
// "-> 0x8002000B".
class OfficeLog {
public:
    OfficeLog();
    ~OfficeLog();
    std::vector<std::string> lines() const;
    std::vector<std::string> take();  // the lines so far; later calls return only newer ones

private:
    std::size_t taken_ = 0;
};

// A temporary folder with files in it; removed with everything in it at the end.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    const std::string& path() const { return path_; }  // UTF-8, no trailing separator
    std::string file(const std::string& name);         // makes an empty file, returns its path

private:
    std::string path_;
};

// A late-bound call without the backend: GetIDsOfNames and Invoke. `args` in the caller's order.
HRESULT invokeRaw(IDispatch* object, const wchar_t* member, WORD flags, std::vector<VARIANT> args = {},
                  VARIANT* result = nullptr, LCID lcid = LOCALE_USER_DEFAULT);

}  // namespace vorrindel::testing::office
