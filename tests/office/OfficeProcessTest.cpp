// Starting the office: what the started program gets from this process, and what it does not.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "ScopedVariable.h"
#include "automation/libreoffice/OfficeProcess.h"

namespace vorrindel::automation::libreoffice {
namespace {

TEST(Spawn, StartedProgramGetsTheVariablesOverOursAndOursStayAsTheyWere) {
    ScopedVariable kept("VORRINDEL_SPAWN_KEPT", "kept");
    ScopedVariable replaced("VORRINDEL_SPAWN_REPLACED", "ours");
    const std::string out = "/tmp/vorrindel-spawn-" + std::to_string(getpid());
    std::string error;
    const int pid = spawnOffice(
        "/bin/sh",
        {"-c", "printf '%s|%s|%s' \"$VORRINDEL_SPAWN_KEPT\" \"$VORRINDEL_SPAWN_REPLACED\" \"$VORRINDEL_SPAWN_NEW\" >" + out},
        {{"VORRINDEL_SPAWN_REPLACED", "theirs"}, {"VORRINDEL_SPAWN_NEW", "new"}}, error);
    ASSERT_GT(pid, 0) << error;
    waitpid(pid, nullptr, 0);
    std::ostringstream written;
    written << std::ifstream(out).rdbuf();
    std::remove(out.c_str());
    EXPECT_EQ(written.str(), "kept|theirs|new");
    EXPECT_STREQ(std::getenv("VORRINDEL_SPAWN_REPLACED"), "ours");
    EXPECT_EQ(std::getenv("VORRINDEL_SPAWN_NEW"), nullptr);
}

// What the started program's /proc entry says of it.
std::string procField(int pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0) return line.substr(line.find_first_not_of(" \t", field.size() + 1));
    return {};
}

// Whether the started stand-in reached its sleep (the clock_nanosleep or nanosleep call), within
// a bound; its own start is then over.
bool sleepsAfterStarting(int pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream syscall("/proc/" + std::to_string(pid) + "/syscall");
        std::string first;  // a number, or "running"
        if (!(syscall >> first)) return false;
        if (first == std::to_string(SYS_clock_nanosleep) || first == std::to_string(SYS_nanosleep)) return true;
        std::this_thread::yield();
    }
    return false;
}

// Ignored signals and open descriptors survive an exec: the office must get neither from this
// process (the picker ignores the broken-pipe signal; a descriptor may be numbered past 4096).
TEST(Spawn, OfficeStartsWithDefaultSignalsAndNoInheritedFiles) {
    rlimit files{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &files), 0);
    const rlimit saved = files;
    constexpr int kHigh = 5000;
    if (files.rlim_cur <= kHigh) {
        if (files.rlim_max != RLIM_INFINITY && files.rlim_max <= kHigh) GTEST_SKIP() << "no descriptor past 4096 allowed here";
        files.rlim_cur = kHigh + 1;
        ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &files), 0);
    }
    const int low = ::open("/dev/null", O_RDONLY);  // inheritable, as a library may leave one
    ASSERT_GE(low, 0);
    ASSERT_EQ(::dup2(low, kHigh), kHigh);
    struct sigaction ignore {}, old {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &old);
    sigset_t blockHup, oldMask;
    sigemptyset(&blockHup);
    sigaddset(&blockHup, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &blockHup, &oldMask);

    std::string error;
    // A stand-in for the office that stays until it is ended.
    const int pid = spawnOffice("/bin/sleep", {"1000"}, {}, error);

    pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    sigaction(SIGPIPE, &old, nullptr);
    ::close(kHigh);
    ::close(low);
    setrlimit(RLIMIT_NOFILE, &saved);
    ASSERT_GT(pid, 0) << error;

    // The stand-in's loader opens its libraries for a moment: it is looked at once it sleeps.
    ASSERT_TRUE(sleepsAfterStarting(pid)) << "the stand-in did not reach its sleep";
    const std::string ignored = procField(pid, "SigIgn");
    const std::string blocked = procField(pid, "SigBlk");
    std::set<std::string> descriptors;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd"))
        descriptors.insert(entry.path().filename().string());
    const pid_t session = getsid(pid);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);

    EXPECT_EQ(ignored, "0000000000000000");
    EXPECT_EQ(blocked, "0000000000000000");
    EXPECT_EQ(descriptors, (std::set<std::string>{"0", "1", "2"}));
    EXPECT_EQ(session, pid);
}

TEST(Spawn, AProgramThatCannotStartIsReported) {
    std::string error;
    EXPECT_EQ(spawnOffice("/nonexistent/soffice", {}, {}, error), -1);
    EXPECT_NE(error.find("cannot start the office"), std::string::npos) << error;
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice
