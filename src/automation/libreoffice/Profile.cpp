#include "automation/libreoffice/Profile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "automation/libreoffice/FileUrls.h"
#include "common/Hash.h"
#include "common/SystemError.h"
#include "common/Xdg.h"

namespace vorrindel::automation::libreoffice {

namespace {

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

std::string trimSlash(std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

}  // namespace

std::string profileFolder(std::string_view profileDir) {
    if (!profileDir.empty()) return std::string(profileDir);
    return xdgBaseFolder("XDG_CONFIG_HOME").value_or(homeFolder() + "/.config") + "/libreoffice/4";
}

std::string programFolder(std::string_view given, const char* xdgVariable, std::string_view homeFallback) {
    if (!given.empty()) return std::string(given);
    return xdgBaseFolder(xdgVariable).value_or(homeFolder() + "/" + std::string(homeFallback)) + "/vorrindel";
}

std::string profileUrlFor(std::string_view profileDir) { return trimSlash(fileUrlFromPath(profileFolder(profileDir))); }

std::string sessionPipeName(std::string_view profileDir, std::string_view display) {
    return "vorrindel_" + std::to_string(getuid()) + "_" +
           hexHash(profileUrlFor(profileDir) + '\n' + std::string(display)).substr(0, 12);
}

std::optional<std::string> profileProblem(const std::string& folder) {
    namespace fs = std::filesystem;
    // The office writes below user/; make the folders as it would, then try a file there.
    std::error_code ec;
    fs::path user = fs::path(folder) / "user";
    fs::create_directories(user, ec);
    if (ec)
        return "the LibreOffice profile folder \"" + folder + "\" cannot be created or written (" + ec.message() +
               ")";
    std::string probe = (user / (".vorrindel-probe-" + std::to_string(getpid()))).string();
    int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return "the LibreOffice profile folder \"" + folder + "\" is not writable (" + systemErrorText(errno) + ")";
    close(fd);
    unlink(probe.c_str());
    return std::nullopt;
}

void seedPrivateProfile(const std::string& profileDir) {
    namespace fs = std::filesystem;
    fs::path user = fs::path(profileDir) / "user";
    fs::path xcu = user / "registrymodifications.xcu";
    std::error_code ec;
    if (fs::exists(xcu, ec)) return;
    fs::create_directories(user, ec);
    // Without the last version the office redoes its first-start work (a graphics self-test) at
    // every start; the tips dialog would sit modal over the first document.
    std::ofstream out(xcu);
    out << R"(<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Setup/Product"><prop oor:name="ooSetupLastVersion" oor:op="fuse"><value>7.4</value></prop></item>
<item oor:path="/org.openoffice.Setup/Office"><prop oor:name="ooSetupInstCompleted" oor:op="fuse"><value>true</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="ShowTipOfTheDay" oor:op="fuse"><value>false</value></prop></item>
</oor:items>
)";
}

}  // namespace vorrindel::automation::libreoffice
