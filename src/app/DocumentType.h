#pragma once
// The document types the picker offers: each selects a file pattern and an office application.

#include <array>
#include <string_view>

namespace vorrindel::app {

struct DocumentType {
    std::string_view name;         // the type list's entry
    std::string_view pattern;      // what the file list shows
    std::string_view application;  // the application object's automation name
};

// In the order the type list shows them.
inline constexpr std::array<DocumentType, 4> kDocumentTypes{{
    {"Access", "*.mdb", "Access.Application"},
    {"Excel", "*.xls", "excel.application"},
    {"Word", "*.doc;*.rtf", "word.application"},
    {"PowerPoint", "*.ppt", "PowerPoint.Application"},
}};

// The type of exactly that name (letter case counts); nullptr for any other text.
inline const DocumentType* findDocumentType(std::string_view name) {
    for (const auto& t : kDocumentTypes)
        if (t.name == name) return &t;
    return nullptr;
}

}  // namespace vorrindel::app
