#include "AccessSamples.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iostream>

#include "common/Files.h"

namespace vorrindel::testing {

namespace fs = std::filesystem;

const std::vector<AccessSample>& accessSamples() {
    static const std::vector<AccessSample> all = {
        {"Monitor.mdb", "Monitor_Authenticate", 6},
        {"testodbc.mdb", "FPdev", 0},
    };
    return all;
}

bool accessSamplesRequired() {
    const char* required = getenv("VORRINDEL_REQUIRE_SAMPLES");
    const char* ci = getenv("CI");
    return (required && std::string(required) == "1") || (ci && std::string(ci) == "true");
}

std::string accessSamplesMissing() {
    std::string dir = VORRINDEL_ACCESS_SAMPLES;
    for (const auto& s : accessSamples())
        if (!fs::exists(dir + "/" + s.file)) {
            std::string why = readFile(dir + "/unavailable");
            why = "no Access samples in " + dir + (why.empty() ? " (run the access.samples test first)" : ": " + why);
            if (accessSamplesRequired())
                ADD_FAILURE() << why << " (required here: VORRINDEL_REQUIRE_SAMPLES=1 or CI=true)";
            else
                std::cerr << "WARNING: NOT TESTED, skipped: " << why << "\n";
            return why;
        }
    return {};
}

std::string accessInOfficeMissing() {
    if (!VORRINDEL_ACCESS_DRIVER_BUILT) return "the Access driver is not built (install unixodbc-dev odbc-mdbtools)";
    if (VORRINDEL_SANITIZED) return "a driver built with the sanitizers cannot be loaded by the office";
    return accessSamplesMissing();
}

std::string readFile(const std::string& path) { return readWholeFileOrEmpty(path); }

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

AccessCopies::AccessCopies() {
    char tmpl[] = "/tmp/vorrindel-access-XXXXXX";
    folder_ = mkdtemp(tmpl);
    for (const auto& s : accessSamples())
        if (fs::exists(std::string(VORRINDEL_ACCESS_SAMPLES) + "/" + s.file))
            fs::copy_file(std::string(VORRINDEL_ACCESS_SAMPLES) + "/" + s.file, path(s.file));
}

AccessCopies::~AccessCopies() {
    std::error_code ec;
    fs::remove_all(folder_, ec);
}

std::vector<std::string> AccessCopies::changed() const {
    std::vector<std::string> out;
    for (const auto& s : accessSamples())
        if (readFile(path(s.file)) != readFile(std::string(VORRINDEL_ACCESS_SAMPLES) + "/" + s.file))
            out.push_back(s.file);
    return out;
}

std::vector<std::vector<std::string>> exportedRows(const std::string& mdbPath, const std::string& table) {
    // Unit and record separators keep commas and line breaks inside values apart.
    std::string cmd = "mdb-export -H -Q -d \"$(printf '\\037')\" -R \"$(printf '\\036')\" -T '%Y-%m-%d %H:%M:%S' '" +
                      mdbPath + "' '" + table + "'";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row(1);
    for (char c : out) {
        if (c == '\036') {
            rows.push_back(std::move(row));
            row.assign(1, "");
        } else if (c == '\037') {
            row.emplace_back();
        } else {
            row.back().push_back(c);
        }
    }
    return rows;
}

}  // namespace vorrindel::testing
