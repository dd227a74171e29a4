// What a user without access to a file or folder gets: the cause before the office is asked. Run
// as root, the checks that need less access run in a child process as the user nobody.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "automation/libreoffice/LibreOfficeAutomation.h"
#include "automation/libreoffice/DocumentKinds.h"
#include "automation/libreoffice/FileUrls.h"
#include "automation/libreoffice/LockFiles.h"
#include "automation/libreoffice/OfficeProcess.h"
#include "automation/libreoffice/Profile.h"

namespace vorrindel::automation::libreoffice {
namespace {

namespace fs = std::filesystem;

// What `check` returns, computed by a user who has no access beyond the files' modes.
std::string withoutPrivileges(const std::function<std::string()>& check) {
    if (geteuid() != 0) return check();
    int fds[2];
    if (pipe(fds) != 0) return "<no pipe>";
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        std::string answer = check();
        ssize_t written = write(fds[1], answer.data(), answer.size());
        _exit(written == static_cast<ssize_t>(answer.size()) ? 0 : 3);
    }
    close(fds[1]);
    std::string answer;
    char buffer[512];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    return answer;
}

class AccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/vorrindel-access-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        fs::permissions(root_, fs::perms(0755));
    }
    void TearDown() override { fs::remove_all(root_); }
    std::string file(const std::string& name, fs::perms mode = fs::perms(0644)) {
        std::string path = root_ + "/" + name;
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << "data";
        fs::permissions(path, mode);
        return path;
    }
    static std::string cause(const std::string& path) { return unopenableCause(path).value_or("<opens>"); }
    std::string root_;
};

TEST_F(AccessTest, FileThatCannotBeReadOrReachedGivesItsCause) {
    struct Case {
        std::string path;
        const char* cause;
    } cases[] = {
        {file("readable.xls"), "<opens>"},
        {file("locked.xls", fs::perms::none), "not readable"},
        {file("shut/inside.doc"), "cannot be entered"},
    };
    fs::permissions(root_ + "/shut", fs::perms(0700));
    for (const auto& c : cases) {
        std::string path = c.path;
        EXPECT_NE(withoutPrivileges([path] { return cause(path); }).find(c.cause), std::string::npos) << path;
    }
}

TEST_F(AccessTest, ProfileFolderThatCannotBeWrittenIsFoundBeforeTheOfficeStarts) {
    fs::create_directories(root_ + "/frozen/user");
    fs::permissions(root_ + "/frozen/user", fs::perms(0555));
    fs::create_directories(root_ + "/shut");
    fs::permissions(root_ + "/shut", fs::perms(0555));
    for (const std::string& folder : {root_ + "/frozen", root_ + "/shut/profile"})
        EXPECT_NE(withoutPrivileges([folder] { return profileProblem(folder).value_or("<usable>"); }).find(folder),
                  std::string::npos)
            << folder;
    std::string writable = root_ + "/fresh";
    fs::permissions(root_, fs::perms(0777));
    EXPECT_EQ(withoutPrivileges([writable] { return profileProblem(writable).value_or("<usable>"); }), "<usable>");
}

TEST_F(AccessTest, OfficeIsNotStartedOnAProfileThatCannotBeWritten) {
    fs::create_directories(root_ + "/frozen/user");
    fs::permissions(root_ + "/frozen/user", fs::perms(0555));
    LibreOfficeOptions options;
    options.profileDir = root_ + "/frozen";
    options.pipeName = "vorrindel_access_test_" + std::to_string(getpid());
    options.headless = true;
    std::string error = withoutPrivileges([options] {
        try {
            makeLibreOfficeAutomation(options)->createObject("excel.application");
        } catch (const AutomationError& e) {
            return std::to_string(e.code()) + " " + e.description();
        }
        return std::string("<created>");
    });
    EXPECT_EQ(error.rfind(std::to_string(errors::kCannotCreate), 0), 0u) << error;
    EXPECT_NE(error.find("not writable"), std::string::npos) << error;
    EXPECT_EQ(findOfficeProcess("pipe,name=" + options.pipeName + ";"), 0);
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice
