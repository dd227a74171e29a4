// The in-memory office of the openers' tests keeps the automation contract.

#include <filesystem>
#include <memory>

#include "AutomationContract.h"
#include "MemoryOffice.h"

namespace vorrindel::contract {
namespace {

struct MemoryTraits {
    static automation::OfficeAutomation& office() {
        static std::unique_ptr<testing::MemoryOffice> current;
        current = std::make_unique<testing::MemoryOffice>();
        for (Kind kind : {Kind::Workbook, Kind::Document, Kind::Presentation})
            current->refuseFile(unopenable(kind), "the file is damaged");
        return *current;
    }
    static std::string sample(Kind kind, int which) {
        static const char* const names[][2] = {{"Alpha.xls", "beta.xls"}, {"One.doc", "two.doc"}, {"Deck.ppt", "show.ppt"}};
        return inSamples(names[static_cast<int>(kind)][which]);
    }
    static std::string unopenable(Kind kind) {
        static const char* const names[] = {"broken.xls", "broken.doc", "broken.ppt"};
        return inSamples(names[static_cast<int>(kind)]);
    }
    // With the system's separator before the name, where the office looks for it.
    static std::string inSamples(const char* name) { return (std::filesystem::path("/samples") / name).string(); }
    static void stick(automation::OfficeAutomation& office) { static_cast<testing::MemoryOffice&>(office).stick(); }
    static void unstick(automation::OfficeAutomation& office) { static_cast<testing::MemoryOffice&>(office).unstick(); }
    static bool cutsStuckCalls(automation::OfficeAutomation&) { return true; }
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, AutomationContract, MemoryTraits);

}  // namespace vorrindel::contract
