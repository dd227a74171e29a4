#pragma once
// The kinds of document an application object sees, and what each needs installed.

#include <string_view>

namespace vorrindel::automation::libreoffice {

// Access databases are shown as Base documents.
enum class DocKind { Spreadsheet, Text, Presentation, Database };

// Debian package holding the module of a document kind, and the module's file name.
std::string_view packageFor(DocKind kind);
std::string_view moduleFileFor(DocKind kind);
std::string_view appNameFor(DocKind kind);

}  // namespace vorrindel::automation::libreoffice
