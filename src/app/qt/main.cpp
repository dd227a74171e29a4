// Vorrindel: pick a document type, browse to a folder, click a file to open it in its office
// application.

#include <QApplication>
#include <QIcon>
#include <csignal>
#include <iostream>

#include "app/OfficeChoice.h"
#include "app/qt/QtWindow.h"

int main(int argc, char* argv[]) {
    // A report written to a standard error that nobody reads any more must not end the program.
    std::signal(SIGPIPE, SIG_IGN);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorrindel"));
    QApplication::setApplicationVersion(QStringLiteral(VORRINDEL_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Palvane"));
    QApplication::setDesktopFileName(QStringLiteral("vorrindel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vorrindel/icon.png")));

    using namespace vorrindel;
    app::Form1::Options options;
    options.applicationTitle = &app::applicationTitle;
    options.log = [](const std::string& text) { std::cerr << "vorrindel: " << text << std::endl; };
    app::qt::QtWindow window(settings::SettingsFile::standard(),
                             listing::DriveTable::system(), &app::makeOffice, options);
    window.show();
    return QApplication::exec();
}
