#pragma once
#include <memory>

#include "automation/Automation.h"

namespace vorrindel::app {

// The office suite this build drives; one with no applications when none is built in.
std::unique_ptr<automation::OfficeAutomation> makeOffice();

}  // namespace vorrindel::app
