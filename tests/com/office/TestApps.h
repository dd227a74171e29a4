#pragma once
// The four applications of the test office: a recording automation server registered under the
// Office applications' names in a private Wine prefix. Shared by the server and the tests.

#include <windows.h>

#include <string_view>

namespace vorrindel::testing::office {

struct TestApp {
    std::string_view key;         // server command line and log lines: "excel"
    const wchar_t* progId;        // the name the openers create it by
    CLSID clsid;                  // the test office's own class, never a real application's
    std::string_view collection;  // "" for Access
    std::string_view document;
    bool oneInstance;             // creating one attaches to the running instance
    bool itemByStem;              // items are named without their extension
};

// Excel, Word and PowerPoint run one instance each; Access starts one for every creation.
inline const TestApp kTestApps[] = {
    {"excel", L"excel.application",
     {0xc82c180a, 0xc69f, 0x4f0c, {0xb1, 0xd9, 0xe0, 0x16, 0x0a, 0xdd, 0xc9, 0x7a}},
     "Workbooks", "Workbook", true, false},
    {"word", L"word.application",
     {0xcb3a0be4, 0x7cea, 0x4c09, {0x88, 0xf7, 0x6b, 0x44, 0xcc, 0x01, 0xca, 0x1c}},
     "Documents", "Document", true, false},
    {"powerpoint", L"PowerPoint.Application",
     {0xaf4c0e0f, 0x84c8, 0x4862, {0xb0, 0xfe, 0x88, 0x1b, 0x8e, 0x46, 0x28, 0x68}},
     "Presentations", "Presentation", true, true},
    {"access", L"Access.Application",
     {0xa55d783f, 0xa017, 0x4239, {0xa8, 0xef, 0x17, 0x7b, 0xa1, 0x85, 0x11, 0x23}},
     "", "", false, false},
};

// The server appends what it received to this file beside its program, one line a call, while the
// file exists (tests make it; benchmarks leave it away).
inline constexpr const wchar_t* kLogName = L"test-office.log";

}  // namespace vorrindel::testing::office
