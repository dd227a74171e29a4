#include "automation/libreoffice/DocumentKinds.h"

namespace vorrindel::automation::libreoffice {

namespace {

// What each kind of document needs installed, and what the user knows it as.
struct KindFacts {
    std::string_view application;
    std::string_view package;
    std::string_view module;  // the application's library in the office's program folder
};

const KindFacts& factsOf(DocKind kind) {
    static constexpr KindFacts kSpreadsheet{"LibreOffice Calc", "libreoffice-calc", "libsclo.so"};
    static constexpr KindFacts kText{"LibreOffice Writer", "libreoffice-writer", "libswlo.so"};
    static constexpr KindFacts kPresentation{"LibreOffice Impress", "libreoffice-impress", "libsdlo.so"};
    static constexpr KindFacts kDatabase{"LibreOffice Base", "libreoffice-base", "libdbulo.so"};
    switch (kind) {
    case DocKind::Spreadsheet: return kSpreadsheet;
    case DocKind::Text: return kText;
    case DocKind::Presentation: return kPresentation;
    case DocKind::Database: return kDatabase;
    }
    return kSpreadsheet;
}

}  // namespace

std::string_view packageFor(DocKind kind) { return factsOf(kind).package; }
std::string_view moduleFileFor(DocKind kind) { return factsOf(kind).module; }
std::string_view appNameFor(DocKind kind) { return factsOf(kind).application; }

}  // namespace vorrindel::automation::libreoffice
