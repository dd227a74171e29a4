// Vorrindel: pick a document type, browse to a folder, click a file to open it in its office
// application.

#include <QApplication>
#include <QIcon>
#include <memory>

#include "app/Form1.h"
#include "app/OfficeChoice.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorrindel"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    QApplication::setOrganizationName(QStringLiteral("Palvane"));
    QApplication::setDesktopFileName(QStringLiteral("vorrindel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vorrindel/icon.png")));

    std::unique_ptr<vorrindel::automation::OfficeAutomation> office = vorrindel::app::makeOffice();
    vorrindel::app::Form1 window(vorrindel::settings::SettingsFile(vorrindel::settings::SettingsFile::defaultLocation()),
                                 vorrindel::listing::DriveTable::system(), *office);
    window.show();
    return QApplication::exec();
}
