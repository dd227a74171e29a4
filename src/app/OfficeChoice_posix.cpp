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

}  // namespace vorrindel::app
