#include "automation/libreoffice/AccessDriverSetup.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "common/Files.h"
#include "common/SystemError.h"

namespace vorrindel::automation::libreoffice {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDriverName = "Vorrindel Access (read-only)";
constexpr const char* kDataSource = "VorrindelAccess";

bool writeIfChanged(const fs::path& path, const std::string& text, std::string& error) {
    if (readWholeFile(path) == text) return true;
    fs::path temp = path;
    temp += ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            error = "cannot write " + temp.string() + ": " + systemErrorText(errno);
            std::error_code ec;
            fs::remove(temp, ec);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        error = "cannot write " + path.string() + ": " + ec.message();
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

bool usableInIni(const std::string& s) { return s.find_first_of("\n\r") == std::string::npos; }

}  // namespace

std::optional<std::string> findAccessDriver() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        fs::path installed = exe.parent_path().parent_path() / VORRINDEL_MDBODBC_INSTALLED;
        if (fs::is_regular_file(installed, ec)) return installed.lexically_normal().string();
    }
    if (*VORRINDEL_MDBODBC_BUILT && fs::is_regular_file(VORRINDEL_MDBODBC_BUILT, ec))
        return std::string(VORRINDEL_MDBODBC_BUILT);
    return std::nullopt;
}

std::optional<std::string> accessDriverProblem() {
    if (!*VORRINDEL_MDBODBC_BUILT)
        return "this build of Vorrindel has no Access driver (install the Debian packages unixodbc-dev and "
               "odbc-mdbtools, then build it again)";
    if (!findAccessDriver())
        return "Vorrindel's Access driver is missing (it belongs in <prefix>/" VORRINDEL_MDBODBC_INSTALLED
               "; install Vorrindel again)";
    std::error_code ec;
    if (!fs::exists(VORRINDEL_LIBMDBODBC_PATH, ec))
        return "mdbtools' ODBC driver is not installed (install the Debian package odbc-mdbtools)";
    std::string libraries = VORRINDEL_ODBC_LIBRARIES;
    for (std::size_t start = 0; start <= libraries.size();) {
        std::size_t end = std::min(libraries.find(':', start), libraries.size());
        if (!fs::exists(libraries.substr(start, end - start), ec))
            return "unixODBC is not installed (install the Debian package unixodbc)";
        start = end + 1;
    }
    return std::nullopt;
}

std::optional<AccessDriverRegistration> writeAccessDriverRegistration(const std::string& folder,
                                                                      const std::string& driverPath,
                                                                      std::string& error) {
    std::error_code ec;
    fs::path dir = fs::absolute(folder, ec);
    fs::path driver = fs::absolute(driverPath, ec);
    if (!usableInIni(dir.string()) || !usableInIni(driver.string())) {
        error = "a line break in a path cannot be written to an ODBC configuration file";
        return std::nullopt;
    }
    if (!fs::is_regular_file(driver, ec)) {
        error = "the Access driver " + driver.string() + " does not exist";
        return std::nullopt;
    }
    fs::create_directories(dir, ec);
    if (ec) {
        error = "cannot create " + dir.string() + ": " + ec.message();
        return std::nullopt;
    }
    AccessDriverRegistration r;
    r.dataSource = kDataSource;
    r.odbcinstIni = (dir / "odbcinst.ini").string();
    r.odbcIni = (dir / "odbc.ini").string();
    std::string odbcinst = std::string("[") + kDriverName + "]\n" +
                           "Description = Access databases (.mdb), read-only, through mdbtools\n" +
                           "Driver = " + driver.string() + "\n" + "FileUsage = 1\n";
    std::string odbc = std::string("[") + kDataSource + "]\n" +
                       "Description = Access database; each connection names its file with DBQ\n" +
                       "Driver = " + kDriverName + "\n";
    if (!writeIfChanged(r.odbcinstIni, odbcinst, error) || !writeIfChanged(r.odbcIni, odbc, error)) return std::nullopt;
    // ODBCINSTINI is a file name within ODBCSYSINI; the system odbc.ini is always ODBCSYSINI's.
    r.environment = {{"ODBCSYSINI", dir.string()}, {"ODBCINSTINI", "odbcinst.ini"}, {"ODBCINI", r.odbcIni}};
    return r;
}

std::string accessConnectionUrl(const AccessDriverRegistration& registration, const std::string& mdbPath) {
    std::error_code ec;
    std::string path = fs::absolute(mdbPath, ec).string();
    if (path.find(';') != std::string::npos || (!path.empty() && path.front() == '{')) {
        std::string braced = "{";
        for (char c : path) braced += c == '}' ? std::string("}}") : std::string(1, c);
        path = braced + "}";
    }
    return "sdbc:odbc:" + registration.dataSource + ";DBQ=" + path;
}

}  // namespace vorrindel::automation::libreoffice
