#include "app/OfficeChoice.h"

namespace vorrindel::app {

// The COM backend is not built into this program yet: every request says so on the notice line.
std::unique_ptr<automation::OfficeAutomation> makeOffice() {
    return std::make_unique<automation::NoOffice>(
        "this build cannot drive the office applications yet (no COM automation built in)");
}

}  // namespace vorrindel::app
