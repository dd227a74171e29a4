#pragma once
// The automation boundary served by LibreOffice on Linux: "excel.application" is Calc,
// "word.application" is Writer, "PowerPoint.Application" is Impress and "Access.Application" is
// Base showing Access databases read-only (AccessObjects.h), all in one office process reached
// over a UNO bridge. An application object is that process seen through one kind of document,
// including documents the user opened by hand.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "automation/Automation.h"

namespace vorrindel::automation::libreoffice {

struct LibreOfficeOptions {
    // Profile folder of the office. Empty: the user's own profile, so that an office the user
    // already runs is the one driven. Tests and benchmarks pass a private folder.
    std::string profileDir;
    // Name of the pipe the office accepts UNO connections on. Empty: one derived from the profile
    // folder and the display, so that each desktop session of the user has an office of its own.
    std::string pipeName;
    // Outside a request, the longest wait for one call into the office; a call still running then
    // ends with kTimeout. Inside a request, the request's deadline applies instead.
    std::chrono::milliseconds callTimeout{15000};
    // Longest wait for a document to load (large files take longer than other calls).
    std::chrono::milliseconds openTimeout{60000};
    // Longest wait for an office this backend starts to accept connections.
    std::chrono::milliseconds startTimeout{45000};
    // Where soffice and the application modules are installed.
    std::string programDir = "/usr/lib/libreoffice/program";
    // Start the office without windows (for machines without a display).
    bool headless = false;
    // When this backend goes, end the office it started if that shows no window (it was started
    // ahead of a first request, or the user closed every document).
    bool endUnusedOffice = true;
    // Where the Base documents made for Access databases are kept. Empty: the program's cache
    // folder, $XDG_CACHE_HOME/vorrindel, else ~/.cache/vorrindel.
    std::string cacheDir;
    // Where the Access driver's registration for the office is written. Empty: the program's data
    // folder, $XDG_DATA_HOME/vorrindel, else ~/.local/share/vorrindel.
    std::string dataDir;
};

class AccessSetup;
class OfficeSession;

class LibreOfficeAutomation final : public OfficeAutomation {
public:
    explicit LibreOfficeAutomation(LibreOfficeOptions options);
    ~LibreOfficeAutomation() override;
    LibreOfficeAutomation(const LibreOfficeAutomation&) = delete;
    LibreOfficeAutomation& operator=(const LibreOfficeAutomation&) = delete;

    ObjectRef createObject(std::string_view name) override;
    ObjectRef globalObject(GlobalApp app) override;
    void beginRequest(Clock::time_point deadline) override;
    void endRequest() override;
    void cancelRequest() override;
    // Starts the office, when none runs, with the module of that application loaded.
    void prepare(std::string_view name) override;

    // Process id of the office connected to, 0 when none is known (not connected yet, or an office
    // of the user's own that this backend did not start).
    int officePid() const;
    // Ends the office, when this backend started it; used where the office is private.
    void shutdownOffice();
    // The connection itself, for code that talks UNO directly (tests, benchmarks).
    OfficeSession& session();

private:
    std::shared_ptr<OfficeSession> session_;
    std::shared_ptr<AccessSetup> access_;
    // Per document kind, the office (by connection) that prepare() last loaded the kind's code in.
    std::uint64_t warmed_[4] = {};
};

std::unique_ptr<LibreOfficeAutomation> makeLibreOfficeAutomation(LibreOfficeOptions options = {});

}  // namespace vorrindel::automation::libreoffice
