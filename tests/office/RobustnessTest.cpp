// An office that dies, quits, stops answering, or left lock files behind must not stop the next
// request, and no call may hang.

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "OfficeFixture.h"
#include "automation/libreoffice/DocumentKinds.h"
#include "automation/libreoffice/FileUrls.h"
#include "automation/libreoffice/LockFiles.h"
#include "automation/libreoffice/OfficeProcess.h"
#include "automation/libreoffice/Profile.h"

namespace vorrindel::automation::libreoffice::testing {
namespace {

bool processGone(int pid) {
    // Plain reads: the process may go while its entry is read, which a stream reports by throwing.
    std::string text(512, '\0');
    std::FILE* stat = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    text.resize(stat ? std::fread(text.data(), 1, text.size(), stat) : 0);
    if (stat) std::fclose(stat);
    auto close = text.rfind(')');
    return text.empty() || (close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z');
}

void killAndWait(int pid) {
    ASSERT_GT(pid, 0);
    kill(pid, SIGKILL);
    for (int i = 0; i < 200 && !processGone(pid); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(processGone(pid));
}

Args excelOpen(const std::string& path) { return excelOpenArgs(path); }

class RobustnessTest : public OfficeTest {
protected:
    ObjectRef workbooks(const ObjectRef& global) { return global->getObject("Application")->getObject("Workbooks"); }
};

TEST_F(RobustnessTest, KilledOfficeIsStartedAgainByTheNextCall) {
    auto global = office().globalObject(GlobalApp::Excel);
    auto workbook = workbooks(global)->call("Open", excelOpen(sample("alpha.xls"))).asObject();
    int pid = office().officePid();
    killAndWait(pid);
    // The global object is kept for the program's life and reaches the new office.
    workbooks(global)->call("Open", excelOpen(sample("beta.xls")));
    EXPECT_TRUE(isOpen(sample("beta.xls")));
    EXPECT_NE(office().officePid(), pid);
    // The workbook belonged to the office that died.
    try {
        workbook->call("Close", omitted(3));
        ADD_FAILURE() << "closed a workbook of a dead office";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), errors::kServerGone);
    }
}

TEST_F(RobustnessTest, CreatedApplicationOutlivesAKilledOffice) {
    auto app = office().createObject("word.application");
    killAndWait(office().officePid());
    EXPECT_EQ(app->getObject("Documents")->get("Count").asInteger(), 0);
}

TEST_F(RobustnessTest, OfficeQuitByTheUserIsStartedAgain) {
    auto global = office().globalObject(GlobalApp::Word);
    int pid = office().officePid();
    office().shutdownOffice();
    ASSERT_TRUE(processGone(pid));
    EXPECT_EQ(global->getObject("Documents")->get("Count").asInteger(), 0);
}

TEST_F(RobustnessTest, StaleLockOfAKilledOfficeDoesNotStopTheNextOpen) {
    std::string path = copyOfSample("alpha.xls", "stale.xls");
    auto global = office().globalObject(GlobalApp::Excel);
    workbooks(global)->call("Open", excelOpen(path));
    killAndWait(office().officePid());
    ASSERT_TRUE(std::filesystem::exists(lockFilePathFor(path)));
    workbooks(global)->call("Open", excelOpen(path));
    EXPECT_TRUE(isOpen(path));
}

TEST_F(RobustnessTest, LockOfAnotherUserFailsTheOpenNamingThatUser) {
    std::string path = copyOfSample("one.doc", "shared.doc");
    {
        std::ofstream lock(lockFilePathFor(path));
        lock << "Other Person,other,elsewhere,01.12.2026 09:00,file:///home/other/.config/libreoffice/4;";
    }
    Args args{Value::text(path)};
    args.resize(10, Value::omitted());
    try {
        office().globalObject(GlobalApp::Word)->getObject("Documents")->call("Open", args);
        ADD_FAILURE() << "opened a document someone else holds";
    } catch (const AutomationError& e) {
        EXPECT_NE(e.description().find("Other Person"), std::string::npos) << e.description();
    }
    EXPECT_FALSE(isOpen(path));
    EXPECT_TRUE(std::filesystem::exists(lockFilePathFor(path)));
}

TEST_F(RobustnessTest, StoppedOfficeTimesOutAndIsUsedAgainOnceItContinues) {
    auto global = office().globalObject(GlobalApp::Word);
    int pid = office().officePid();
    ASSERT_GT(pid, 0);
    kill(pid, SIGSTOP);
    try {
        global->getObject("Documents")->get("Count");
        ADD_FAILURE() << "a stopped office answered";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), errors::kTimeout) << e.description();
    }
    kill(pid, SIGCONT);
    EXPECT_EQ(global->getObject("Documents")->get("Count").asInteger(), 0);
    EXPECT_EQ(office().officePid(), pid);
}

TEST_F(RobustnessTest, StoppedOfficeThatIsKilledIsReplaced) {
    auto global = office().globalObject(GlobalApp::Excel);
    int pid = office().officePid();
    ASSERT_GT(pid, 0);
    kill(pid, SIGSTOP);
    try {
        workbooks(global)->call("Open", excelOpen(sample("alpha.xls")));
        ADD_FAILURE() << "a stopped office opened a workbook";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), errors::kTimeout) << e.description();
    }
    killAndWait(pid);
    workbooks(global)->call("Open", excelOpen(sample("alpha.xls")));
    EXPECT_TRUE(isOpen(sample("alpha.xls")));
}

TEST_F(RobustnessTest, ConnectingToAStoppedOfficeIsCutOffAtTheRequestsDeadline) {
    auto global = office().globalObject(GlobalApp::Word);
    int pid = office().officePid();
    ASSERT_GT(pid, 0);
    kill(pid, SIGSTOP);
    // The first request loses its bridge to the time-out; the second finds none and must connect
    // to an office that takes the pipe but never answers.
    for (int request = 0; request < 2; ++request) {
        office().beginRequest(Clock::now() + std::chrono::milliseconds(800));
        try {
            global->getObject("Documents")->get("Count");
            ADD_FAILURE() << "a stopped office answered";
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.code(), errors::kTimeout) << e.description();
        }
        office().endRequest();
    }
    kill(pid, SIGCONT);
    office().beginRequest(Clock::now() + std::chrono::seconds(30));
    EXPECT_EQ(global->getObject("Documents")->get("Count").asInteger(), 0);
    office().endRequest();
    EXPECT_EQ(office().officePid(), pid);
}

TEST_F(RobustnessTest, BackendLetsGoOfAStoppedOfficeWithoutWaitingForIt) {
    auto other = makeLibreOfficeAutomation(officeOptions());
    other->globalObject(GlobalApp::Word)->getObject("Documents")->get("Count");
    int pid = office().officePid();
    kill(pid, SIGSTOP);
    const auto start = Clock::now();
    other.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    kill(pid, SIGCONT);
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice::testing
