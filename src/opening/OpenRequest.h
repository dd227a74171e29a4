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
    OpenRequest(automation::OfficeAutomation& office, Picker& picker);

    // The file list's click. Runs the opener of the picker's type ("Excel", "Access", "PowerPoint",
    // "Word"; exact letter case); no type selected does nothing. A failure that ends the request
    // comes back as one readable line naming the type and the cause; nothing on success.
    std::optional<std::string> File1_Click();

    // The Excel opener (the window's public operation). Throws automation::AutomationError when the
    // Excel application cannot be created.
    void loadsheet();

    const PreviousFiles& previousFiles() const;

    // ... opener members as the implementation needs
};

}  // namespace vorrindel::opening
