#pragma once
// What each opener sends across the automation boundary, written once for every office the openers
// are tested against: the in-memory office and the COM test office each put it in their own log's
// words. A step names the object it reaches as the openers' calls do: an application (the one the
// request created, or one a global object reached), a collection or a document in it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "automation/Automation.h"

namespace vorrindel::testing {

struct Call {
    enum class Kind {
        Create,  // the application object is created by name
        Global,  // the global object is handed out, at its first use
        Member,  // a member of an object is called
    };
    enum class On {
        Global,       // the application the global object reached
        Application,  // an application object
        Collection,   // the application's Workbooks, Documents or Presentations
        Document,     // one of its documents, by file name
    };
    Kind kind = Kind::Member;
    int instance = 1;  // which instance of the application: 1 for the first started
    On on = On::Application;
    std::string document;  // On::Document
    std::string member;
    automation::Access access = automation::Access::Method;
    automation::Args args;
    std::optional<int> locale;
    bool notFound = false;  // the call fails: no item of that name
};
using Calls = std::vector<Call>;

// Two clicks of a run on files of one type, the box unticked.
struct OpenerCalls {
    std::string type;       // the document type, as kDocumentTypes names it
    std::string collection;  // what its application keeps documents in: "Workbooks"; "" for Access
    std::string document;    // what it calls one: "Workbook"
    std::string first;      // the file of the first click
    std::string second;     // the file of the second click
    Calls firstOpen;        // all the first click sends
    Calls closeFirst;       // what the second click sends to close the first file, in a row
};

// The four openers' calls for files in `folder`, in the order of kDocumentTypes.
std::vector<OpenerCalls> openerCalls(const std::string& folder);
const OpenerCalls& openerCallsOf(const std::vector<OpenerCalls>& table, const std::string& type);

// The application's automation name for a document type.
std::string applicationOf(const std::string& type);

// The calls as MemoryOffice logs them (its releases and starts left out, as they do not cross
// the boundary).
std::vector<std::string> inMemoryOfficeWords(const OpenerCalls& opener, const Calls& calls);

}  // namespace vorrindel::testing
