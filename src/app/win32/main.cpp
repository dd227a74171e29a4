// Vorrindel: pick a document type, browse to a folder, click a file to open it in its office
// application.

#include "app/OfficeChoice.h"
#include "app/win32/Win32Window.h"

#include <commctrl.h>

namespace {

// Reports go to standard error when the program has one (started from a console or with its
// output redirected); a program started from the desktop has none and shows them only on the
// notice line.
void writeToStandardError(const std::string& text) {
    const HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    const std::string line = "vorrindel: " + text + "\n";
    DWORD written = 0;
    WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
    // A drive without a medium fails where it is read instead of stopping the program with the
    // system's "insert a disk" box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    using namespace vorrindel;
    app::Form1::Options options;
    options.applicationTitle = &app::applicationTitle;
    options.log = writeToStandardError;
    try {
        app::win32::Win32Window window(settings::SettingsFile::standard(), listing::DriveTable::system(),
                                       &app::makeOffice, options);
        window.show(show);
        return window.run();
    } catch (const std::exception& e) {
        writeToStandardError(e.what());
        return 1;
    }
}
