#pragma once
// One private office shared by the tests of this program: its own profile folder and pipe,
// started on first use and ended when the program ends. Sample documents are made by that same
// LibreOffice at start-up, from text the tests write.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/libreoffice/LibreOfficeAutomation.h"
#include "automation/libreoffice/OfficeSession.h"
// What the office tests use of the backend's files, profile and process.
#include "automation/libreoffice/FileUrls.h"
#include "automation/libreoffice/LockFiles.h"
#include "automation/libreoffice/Profile.h"

namespace vorrindel::automation::libreoffice::testing {

// Prepares the office at the start of the program, or (not eager) at the first prepare(), and
// ends it and removes its files at the end.
class OfficeEnvironment : public ::testing::Environment {
public:
    explicit OfficeEnvironment(bool eager = true) : eager_(eager) {}
    void SetUp() override;
    void TearDown() override;

private:
    bool eager_;
};
// Makes the samples and the office object, once.
void prepare();

// Folder holding the sample documents (alpha.xls, beta.xls, Gamma.xls, one.doc, two.doc,
// three.doc, deck.ppt, show.ppt; broken.xls and broken.ppt hold bytes no filter reads, sheet.doc
// is a spreadsheet), made afresh for each run.
const std::string& samples();
std::string sample(const std::string& name);
// Converts files with an office of its own (soffice --convert-to `format`) into `outdir`.
void convertInto(const std::string& outdir, const std::string& format, const std::vector<std::string>& sources);
// A fresh copy of a sample under a new name, in a folder of its own.
std::string copyOfSample(const std::string& name, const std::string& newName);
const LibreOfficeOptions& officeOptions();
LibreOfficeAutomation& office();
bool windowsVisible();  // a display is there, the office runs with windows

// Hands a file to the running office the way a file manager does (soffice <file>) and waits
// until it is open; false when it did not open in time. A headless office is handed it over UNO.
bool openByHand(const std::string& path);

// Looks at the office directly, over UNO.
int openCount(DocKind kind);
bool isOpen(const std::string& path);
int copiesOpen(const std::string& path);
void setModified(const std::string& path, bool modified);
bool isModified(const std::string& path);
bool isMaximized(const std::string& path);
// Whether the window's state becomes `wanted` within a few seconds.
bool settlesMaximized(const std::string& path, bool wanted);
bool isVisible(const std::string& path);
// Restores the window, so that a later maximised state is the call's doing.
void restoreWindow(const std::string& path);
// Titles of the windows showing databases.
std::vector<std::string> databaseWindows();
// Windows of any kind, those opened from others included (a table view opened from a database
// window is a frame inside that window's frame, with a window of its own). Asking for them makes
// this process's UNO runtime load type descriptions that it never frees: not for sanitizer builds.
int windowsOpen();
// Closes every document and window, discarding changes, so that each test starts with an empty
// office.
void closeAll();

// Calls as the openers make them.
inline Args omitted(std::size_t n) { return Args(n, Value::omitted()); }
Args excelOpenArgs(const std::string& path);

class OfficeTest : public ::testing::Test {
protected:
    void SetUp() override { closeAll(); }
};

class WindowTest : public OfficeTest {
protected:
    void SetUp() override {
        if (!windowsVisible()) GTEST_SKIP() << "no DISPLAY: window state needs the office shown (run under xvfb-run -a)";
        OfficeTest::SetUp();
    }
};

}  // namespace vorrindel::automation::libreoffice::testing
