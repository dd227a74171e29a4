// An office started ahead of the first request: it runs with no window, and it goes with the
// program unless it shows something, or was not started by the program.

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include <com/sun/star/frame/XFrames.hpp>
#include <com/sun/star/frame/XFramesSupplier.hpp>

#include "OfficeFixture.h"
#include "automation/libreoffice/Documents.h"
#include "automation/libreoffice/DocumentKinds.h"
#include "automation/libreoffice/FileUrls.h"
#include "automation/libreoffice/LockFiles.h"
#include "automation/libreoffice/OfficeProcess.h"
#include "automation/libreoffice/Profile.h"

namespace vorrindel::automation::libreoffice::testing {
namespace {

class LifetimeTest : public ::testing::Test {
protected:
    // A backend on a profile and pipe of this test's own.
    std::unique_ptr<LibreOfficeAutomation> backend(const std::string& name) {
        LibreOfficeOptions options = officeOptions();
        options.profileDir += "-" + name;
        options.pipeName += "_" + name;
        return makeLibreOfficeAutomation(options);
    }
    static void prepare(LibreOfficeAutomation& office, const char* application) {
        office.beginRequest(Clock::now() + std::chrono::seconds(60));
        office.prepare(application);
        office.endRequest();
    }
    static int frames(LibreOfficeAutomation& office) {
        return office.session().call<int>([](const Connection& c) {
            css::uno::Reference<css::frame::XFramesSupplier> desktop(c.desktop, css::uno::UNO_QUERY_THROW);
            return static_cast<int>(desktop->getFrames()->getCount());
        });
    }
    static bool ends(int pid) {
        for (int i = 0; i < 150; ++i) {
            if (kill(pid, 0) != 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
};

struct Prepared {
    const char* name;
    const char* application;
};

class PreparedLifetimeTest : public LifetimeTest, public ::testing::WithParamInterface<Prepared> {};

TEST_P(PreparedLifetimeTest, OfficeRunsWithNoWindowAndEndsWithTheBackend) {
    auto office = backend(GetParam().name);
    prepare(*office, GetParam().application);
    const int pid = office->officePid();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(frames(*office), 0);
    office.reset();
    EXPECT_TRUE(ends(pid));
}

INSTANTIATE_TEST_SUITE_P(Applications, PreparedLifetimeTest,
                         ::testing::Values(Prepared{"Excel", "excel.application"}, Prepared{"Word", "word.application"},
                                           Prepared{"PowerPoint", "PowerPoint.Application"},
                                           Prepared{"Access", "Access.Application"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LifetimeTest, OfficeShowingADocumentStaysAfterTheBackendGoes) {
    auto office = backend("showing");
    prepare(*office, "excel.application");
    office->createObject("excel.application")->getObject("Workbooks")->call("Open", excelOpenArgs(sample("alpha.xls")));
    const int pid = office->officePid();
    office.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(kill(pid, 0), 0);
    backend("showing")->shutdownOffice();
}

TEST_F(LifetimeTest, OfficeTheUserStartedIsLeftRunning) {
    LibreOfficeOptions options = officeOptions();
    options.profileDir += "-users";
    options.pipeName += "_users";
    seedPrivateProfile(options.profileDir);
    // Started as a user (or another program) would, not through the backend.
    const std::string command = "'" + options.programDir + "/soffice' -env:UserInstallation=" +
                                fileUrlFromPath(options.profileDir) + " '--accept=pipe,name=" + options.pipeName +
                                ";urp;' --nologo --nodefault --norestore" + (options.headless ? " --headless" : "") +
                                " >/dev/null 2>&1 &";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string marker = "pipe,name=" + options.pipeName + ";";
    // Until it accepts connections it may still hand itself over to an office started meanwhile
    // (a fresh profile makes the office start itself again), which would then be the backend's.
    const std::string socket = "/tmp/OSL_PIPE_" + std::to_string(getuid()) + "_" + options.pipeName;
    for (int i = 0; i < 600 && !std::filesystem::exists(socket); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(std::filesystem::exists(socket));
    ASSERT_GT(findOfficeProcess(marker), 0);
    auto office = makeLibreOfficeAutomation(options);
    prepare(*office, "word.application");
    office.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // (The pid may have changed meanwhile: a fresh profile makes the office start itself again.)
    const int pid = findOfficeProcess(marker);
    EXPECT_GT(pid, 0);
    if (pid > 0) kill(pid, SIGKILL);
    std::filesystem::remove(socket);
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice::testing
