#pragma once
// The document types as the picker sees them; the table itself lives with the openers it routes to.

#include <string_view>

#include "opening/DocumentType.h"

namespace vorrindel::app {

using opening::DocumentType;
using opening::findDocumentType;
using opening::kDocumentTypes;

// What the file list shows until a type is chosen for the first time: no type's own pattern.
inline constexpr std::string_view kPatternBeforeAnyType = "*.xls;*.rtf";

}  // namespace vorrindel::app
