#pragma once
// A click on a file is one open request: route it by document type to that type's opener.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "automation/Automation.h"
#include "opening/Module1.h"
#include "opening/Picker.h"

namespace vorrindel::opening {

struct DocumentType;

class OpenRequest {
public:
    // Both must outlive this object. The window keeps one OpenRequest for the program's life: it
    // holds the memory of last-opened files and the global objects.
    OpenRequest(automation::OfficeAutomation& office, Picker& picker);

    // The file list's click. Runs the opener of the picker's type (a name of kDocumentTypes, exact
    // letter case); no type selected does nothing. Comes back with one readable line
    // naming the type and the cause when the request failed: a step that ended it, a file that
    // could not be opened (the steps after it still ran), or a step that ran out of time. Nothing
    // on success. Never throws an automation failure.
    std::optional<std::string> File1_Click();

    // The Excel opener alone (the window's public operation), reporting as File1_Click does.
    std::optional<std::string> openWorkbook();

    // The openers, one per document type. Each throws automation::AutomationError for a failure
    // that ends it (for Excel, only the application that cannot be created); the rest are left
    // for File1_Click or openWorkbook to report.
    void loadsheet();         // Excel
    void openDocument();      // Word
    void openPresentation();  // PowerPoint
    void openDatabase();      // Access

    const PreviousFiles& previousFiles() const;

private:
    std::optional<std::string> run(const DocumentType& type);
    // Resume-next mode for one step: a failing operation abandons the rest of its step and the
    // next step runs. A time-out is kept for the report; so is any failure when `reportAs` names
    // what the step was doing (an open the user must hear about).
    void resumeNext(const std::function<void()>& step, const std::string& reportAs = {});

    // The application's global object, asked for at its first use and then kept. A failed first
    // use is tried again at the next one.
    automation::Dispatch& global(automation::GlobalApp app);

    automation::OfficeAutomation& office_;
    Picker& picker_;
    PreviousFiles previous_;
    std::optional<std::string> skipped_;  // the first failure of a resume-next step worth reporting
    automation::ObjectRef excelGlobal_;
    automation::ObjectRef wordGlobal_;
    automation::ObjectRef accessGlobal_;
};

}  // namespace vorrindel::opening
