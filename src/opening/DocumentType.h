#pragma once
// The document types the picker offers: each selects a file pattern, an office application and
// the opener that opens its files there. Requests are routed by this table.

#include <array>
#include <string_view>

#include "automation/Automation.h"
#include "opening/OpenRequest.h"

namespace vorrindel::opening {

struct DocumentType {
    std::string_view name;         // the type list's entry
    std::string_view pattern;      // what the file list shows
    std::string_view application;  // the application object's automation name
    void (OpenRequest::*open)();   // the opener
};

// In the order the type list shows them.
inline constexpr std::array<DocumentType, 4> kDocumentTypes{{
    {"Access", "*.mdb", automation::kAccessApplication, &OpenRequest::openDatabase},
    {"Excel", "*.xls", automation::kExcelApplication, &OpenRequest::loadsheet},
    {"Word", "*.doc;*.rtf", automation::kWordApplication, &OpenRequest::openDocument},
    {"PowerPoint", "*.ppt", automation::kPowerPointApplication, &OpenRequest::openPresentation},
}};

// The type loadsheet opens as, whatever the picker's type.
inline constexpr const DocumentType& kWorkbookType = kDocumentTypes[1];
static_assert(kWorkbookType.open == &OpenRequest::loadsheet);

// The type of exactly that name (letter case counts); nullptr for any other text.
constexpr const DocumentType* findDocumentType(std::string_view name) {
    for (const auto& t : kDocumentTypes)
        if (t.name == name) return &t;
    return nullptr;
}

}  // namespace vorrindel::opening
