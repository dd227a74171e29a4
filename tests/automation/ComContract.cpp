// The COM backend keeps the automation contract, against the test office (tests/com/office). The
// test's thread is the automation thread: a single-threaded apartment.

#include <chrono>
#include <memory>
#include <optional>
#include <string_view>

#include "AutomationContract.h"
#include "TestOffice.h"
#include "automation/com/ComAutomation.h"

namespace vorrindel::contract {
namespace {

namespace com = automation::com;
namespace office = testing::office;

// The apartment, the registration and the sample folder are made at the first test that needs
// them, and ended after the last test with every instance of the test office.
class ComEnvironment final : public ::testing::Environment {
public:
    // A backend with Excel, Word and PowerPoint behind it, each as just started.
    com::ComAutomation& fresh() {
        if (!apartment_) {
            apartment_.emplace();
            office::registerTestOffice();
            folder_.emplace();
        }
        backend_.reset();  // what the last test held goes before the office forgets it
        for (std::string_view app : {"excel", "word", "powerpoint"})
            if (office::runningInstances(app) == 0) office::startTestOffice(app);
        office::resetTestOffice();
        backend_ = std::make_unique<com::ComAutomation>();
        return *backend_;
    }
    std::string file(const std::string& name) { return folder_->file(name); }

    void TearDown() override {
        if (!apartment_) return;
        backend_.reset();
        office::quitTestOffice();
        folder_.reset();
        apartment_.reset();
    }

private:
    std::optional<com::Apartment> apartment_;
    std::optional<office::TestFolder> folder_;
    std::unique_ptr<com::ComAutomation> backend_;
};

auto* const kEnvironment = static_cast<ComEnvironment*>(::testing::AddGlobalTestEnvironment(new ComEnvironment));

struct ComTraits {
    static automation::OfficeAutomation& office() { return kEnvironment->fresh(); }
    static std::string sample(Kind kind, int which) {
        static const char* const names[][2] = {{"Alpha.xls", "beta.xls"}, {"One.doc", "two.doc"}, {"Deck.ppt", "show.ppt"}};
        return kEnvironment->file(names[static_cast<int>(kind)][which]);
    }
    // The test office cannot open a file whose name says it is broken.
    static std::string unopenable(Kind kind) {
        static const char* const names[] = {"broken.xls", "broken.doc", "broken.ppt"};
        return kEnvironment->file(names[static_cast<int>(kind)]);
    }
    // Bounded everywhere: under Wine nothing else ends the stuck call, and where calls are cut
    // short, the cut comes well before the office would answer.
    static void stick(automation::OfficeAutomation&) {
        office::stickTestOffice(std::chrono::duration_cast<std::chrono::milliseconds>(kStuckFor).count());
    }
    static void unstick(automation::OfficeAutomation&) { office::stickTestOffice(0); }
    static bool cutsStuckCalls(automation::OfficeAutomation& office) {
        return static_cast<com::ComAutomation&>(office).cutsStuckCallsShort();
    }
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Com, AutomationContract, ComTraits);

}  // namespace vorrindel::contract
