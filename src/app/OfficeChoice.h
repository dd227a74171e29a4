#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "automation/Automation.h"

namespace vorrindel::app {

// The office suite this build drives; one with no applications when none is built in.
std::unique_ptr<automation::OfficeAutomation> makeOffice();
// The name the user knows the application of a document type by, in this build.
std::string applicationTitle(std::string_view type);

}  // namespace vorrindel::app
