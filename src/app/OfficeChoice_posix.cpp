#include "app/OfficeChoice.h"

#ifdef VORRINDEL_HAVE_LIBREOFFICE
#include "automation/libreoffice/LibreOfficeAutomation.h"
#endif

namespace vorrindel::app {

std::unique_ptr<automation::OfficeAutomation> makeOffice() {
#ifdef VORRINDEL_HAVE_LIBREOFFICE
    return automation::libreoffice::makeLibreOfficeAutomation({});
#else
    return std::make_unique<automation::NoOffice>(
        "this build has no office backend (install libreoffice-dev and rebuild)");
#endif
}

// The LibreOffice application that stands in for each type's.
std::string applicationTitle(std::string_view type) {
    if (type == "Access") return "Base";
    if (type == "Excel") return "Calc";
    if (type == "Word") return "Writer";
    if (type == "PowerPoint") return "Impress";
    return std::string(type);
}

}  // namespace vorrindel::app
