#pragma once
// Makes the read-only Access driver visible to a process such as the office: an odbcinst.ini that
// names the driver library and an odbc.ini with one data source, written under a folder of the
// caller's, and the environment that points unixODBC at the two. The data source names no file;
// each connection gives its own with DBQ. Needs neither the office nor an ODBC library.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vorrindel::automation::libreoffice {

struct AccessDriverRegistration {
    std::string dataSource;   // the data source name connections use
    std::string odbcinstIni;  // the files written
    std::string odbcIni;
    // To set in the environment of the process that connects: ODBCSYSINI, ODBCINSTINI, ODBCINI.
    // They replace the user's own ~/.odbc.ini for that process.
    std::vector<std::pair<std::string, std::string>> environment;
};

// The driver library installed with the program (<prefix>/<libdir>/vorrindel/, found from the
// running executable), else the one in the build tree; nullopt when neither exists.
std::optional<std::string> findAccessDriver();

// Why Access databases cannot be read on this machine, naming the Debian package to install:
// the driver was not built or installed with the program, or mdbtools' driver or unixODBC is
// missing. nullopt when everything is there.
std::optional<std::string> accessDriverProblem();

// Writes both files under `folder` (created when missing; a file is rewritten only when its text
// changes, through a temporary file renamed over it). nullopt with `error` set when `driverPath`
// is unusable or a file cannot be written.
std::optional<AccessDriverRegistration> writeAccessDriverRegistration(const std::string& folder,
                                                                      const std::string& driverPath,
                                                                      std::string& error);

// The URL LibreOffice Base connects with: "sdbc:odbc:<data source>;DBQ=<absolute path>", the
// path in braces when it holds a ';' or starts with '{'.
std::string accessConnectionUrl(const AccessDriverRegistration& registration, const std::string& mdbPath);

}  // namespace vorrindel::automation::libreoffice
