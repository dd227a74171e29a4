#include "app/OfficeChoice.h"

#include "automation/com/ComAutomation.h"

namespace vorrindel::app {

namespace {

// The Office applications over COM. The automation thread makes this, so its apartment begins
// here and ends after the backend is gone.
class ComOffice final : public automation::ForwardingOffice {
public:
    ComOffice() : ForwardingOffice(office_) {}  // only referred to here, used once constructed

private:
    automation::com::Apartment apartment_;
    automation::com::ComAutomation office_;
};

}  // namespace

std::unique_ptr<automation::OfficeAutomation> makeOffice() { return std::make_unique<ComOffice>(); }

// Each type is its own Office application's.
std::string applicationTitle(std::string_view type) { return std::string(type); }

}  // namespace vorrindel::app
