// The LibreOffice backend keeps the automation contract, against a private office on its own
// profile (see tests/office/OfficeFixture.h).

#include <signal.h>

#include "AutomationContract.h"
#include "OfficeFixture.h"

namespace vorrindel::contract {
namespace {

namespace lo = automation::libreoffice::testing;

// The office and its samples are made at the first test that needs them.
auto* const kOffice = ::testing::AddGlobalTestEnvironment(new lo::OfficeEnvironment(/*eager=*/false));

struct LibreOfficeTraits {
    static automation::OfficeAutomation& office() {
        lo::closeAll();
        return lo::office();
    }
    static std::string sample(Kind kind, int which) {
        static const char* const names[][2] = {{"Gamma.xls", "beta.xls"}, {"one.doc", "two.doc"}, {"deck.ppt", "show.ppt"}};
        return lo::sample(names[static_cast<int>(kind)][which]);
    }
    static std::string unopenable(Kind kind) {
        static const char* const names[] = {"broken.xls", "sheet.doc", "broken.ppt"};
        return lo::sample(names[static_cast<int>(kind)]);
    }
    // A stopped office: the pipe still takes calls, and nothing answers them.
    static void stick(automation::OfficeAutomation&) {
        lo::office().session().connection();
        stopped() = lo::office().officePid();
        ASSERT_GT(stopped(), 0);
        kill(stopped(), SIGSTOP);
    }
    static void unstick(automation::OfficeAutomation&) {
        if (stopped() > 0) kill(stopped(), SIGCONT);
        stopped() = 0;
    }
    // The watchdog disposes of the bridge under a stuck call.
    static bool cutsStuckCalls(automation::OfficeAutomation&) { return true; }
    static int& stopped() {
        static int pid = 0;
        return pid;
    }
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(LibreOffice, AutomationContract, LibreOfficeTraits);

}  // namespace vorrindel::contract
