#pragma once
// A click on a file is one open request: route it by document type to that type's opener.

#include <optional>
#include <string>

#include "automation/Automation.h"
#include "opening/Module1.h"
#include "opening/Picker.h"

namespace vorrindel::opening {

class OpenRequest {
public:
    // Both must outlive this object. The window keeps one OpenRequest for the program's life: it
    // holds the memory of last-opened files and the global objects.
    OpenRequest(automation::OfficeAutomation& office, Picker& picker);

    // The file list's click. Runs the opener of the picker's type ("Excel", "Access", "PowerPoint",
    // "Word"; exact letter case); no type selected does nothing. A failure that ends the request
    // comes back as one readable line naming the type and the cause; nothing on success. Never
    // throws an automation failure.
    std::optional<std::string> File1_Click();

    // The Excel opener (the window's public operation). Throws automation::AutomationError when the
    // Excel application cannot be created.
    void loadsheet();

    const PreviousFiles& previousFiles() const;

private:
    void openDocument();      // Word
    void openPresentation();  // PowerPoint
    void openDatabase();      // Access

    // The application's global object, asked for at its first use and then kept. A failed first
    // use is tried again at the next one.
    automation::Dispatch& global(automation::GlobalApp app);

    automation::OfficeAutomation& office_;
    Picker& picker_;
    PreviousFiles previous_;
    automation::ObjectRef excelGlobal_;
    automation::ObjectRef wordGlobal_;
    automation::ObjectRef accessGlobal_;
};

}  // namespace vorrindel::opening
