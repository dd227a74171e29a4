#pragma once
// The real Access databases the tests read (fetched from Debian's archive by
// fetch-access-samples.sh), private copies of them, and what mdbtools' own mdb-export reads from
// them, to compare with.

#include <string>
#include <vector>

namespace vorrindel::testing {

struct AccessSample {
    std::string file;   // name in the samples folder
    std::string table;  // its one user table
    int yesNoColumn;    // number of a Yes/No column of that table, 0 when it has none
};
const std::vector<AccessSample>& accessSamples();

// Whether a missing sample fails the tests instead of skipping them: under CI
// (VORRINDEL_REQUIRE_SAMPLES=1, as .ci/run sets, or CI=true).
bool accessSamplesRequired();
// Why the samples are missing, or "" when they are there. Called by a test that then skips:
// where the samples are required, that test fails instead; elsewhere the skip is announced.
std::string accessSamplesMissing();
// Why the office of the tests cannot show the samples (no driver built, a sanitizer build, whose
// driver no office can load, or no samples), or "" when it can.
std::string accessInOfficeMissing();

// Copies of the samples in a temporary folder of their own, removed at destruction.
class AccessCopies {
public:
    AccessCopies();
    ~AccessCopies();
    AccessCopies(const AccessCopies&) = delete;
    AccessCopies& operator=(const AccessCopies&) = delete;
    const std::string& folder() const { return folder_; }
    std::string path(const std::string& file) const { return folder_ + "/" + file; }
    // The copies that no longer hold the bytes of their sample (none, as the driver never writes).
    std::vector<std::string> changed() const;

private:
    std::string folder_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

// The rows of a table as mdb-export prints them: no header, no quotes, date and time as
// "YYYY-MM-DD HH:MM:SS", NULL as "".
std::vector<std::vector<std::string>> exportedRows(const std::string& mdbPath, const std::string& table);

}  // namespace vorrindel::testing
