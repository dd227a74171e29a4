#include "app/OfficeChoice.h"

#include "automation/com/ComAutomation.h"

namespace vorrindel::app {

namespace {

// The Office applications over COM. The automation thread makes this, so its apartment begins
// here and ends after the backend is gone.
class ComOffice final : public automation::OfficeAutomation {
public:
    automation::ObjectRef createObject(std::string_view name) override { return office_.createObject(name); }
    automation::ObjectRef globalObject(automation::GlobalApp app) override { return office_.globalObject(app); }
    void beginRequest(automation::Clock::time_point deadline) override { office_.beginRequest(deadline); }
    void endRequest() override { office_.endRequest(); }
    void cancelRequest() override { office_.cancelRequest(); }

private:
    automation::com::Apartment apartment_;
    automation::com::ComAutomation office_;
};

}  // namespace

std::unique_ptr<automation::OfficeAutomation> makeOffice() { return std::make_unique<ComOffice>(); }

}  // namespace vorrindel::app
