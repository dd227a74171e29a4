#pragma once
// "Access.Application" served by LibreOffice Base: each database opened is shown read-only in a
// Base window of the one office process, through the Access driver of this program
// (AccessDriverSetup.h, Databases.h).
//
// How Access's objects map onto the office, where they differ:
// - Access starts an instance per application object, and its global object reaches the instance
//   holding the current database. Here every application object is a view on the one office; the
//   "instance" is the database window it opened, and the global object reaches the database
//   window opened last through any Access application object of the backend.
// - CloseCurrentDatabase closes that window with every window opened from it (table views).
// - Quit ends Access; here it closes that database window when it is still open and leaves the
//   office running, with whatever else it shows. Its save option has nothing to save: the
//   database is read-only.
// - Both succeed doing nothing when there is no such window (none opened yet, the user closed it,
//   or the office ended).

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "automation/Automation.h"
#include "automation/libreoffice/AccessDriverSetup.h"
#include "automation/libreoffice/DocumentKinds.h"
#include "automation/libreoffice/OfficeProcess.h"

namespace vorrindel::automation::libreoffice {

struct LibreOfficeOptions;
class OfficeSession;

// The Access driver's registration and the folder of the Base documents made for databases,
// shared by a backend's Access objects and the office it starts.
class AccessSetup {
public:
    explicit AccessSetup(const LibreOfficeOptions& options);

    // What an office must have in its environment to see the driver; nothing when the driver
    // cannot be registered (registration() then says why).
    Environment officeEnvironment();
    // The driver's registration, written on first use. Fails with kCannotCreate naming what is
    // missing (with its Debian package) or what could not be written.
    AccessDriverRegistration registration();
    const std::string& cacheDir() const { return cacheDir_; }
    const std::string& dataDir() const { return dataDir_; }

private:
    std::string programDir_;
    std::string cacheDir_;
    std::string dataDir_;
    std::mutex mutex_;
    std::optional<AccessDriverRegistration> registration_;
};

// An application object answering Visible (put) and OpenCurrentDatabase (method).
ObjectRef makeAccessApplication(std::shared_ptr<OfficeSession> session, std::shared_ptr<AccessSetup> setup);
// The global object answering CloseCurrentDatabase and Quit (methods). Making it reaches no office.
ObjectRef makeAccessGlobal(std::shared_ptr<OfficeSession> session);

}  // namespace vorrindel::automation::libreoffice
