// Start-up to the window shown, with a folder of 100,000 files saved as the folder to show,
// against a bare window holding the same six widgets (goal: at most 1.1 times). Each measurement is
// a fresh process; after a warm-up the two kinds alternate, so that both see the same machine
// state, and the figures are medians of 21 rounds.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "BenchFolder.h"
#include "app/qt/QtWindow.h"
#include "automation/Automation.h"

namespace {

using Clock = std::chrono::steady_clock;

// Shows the window, waits until the window system exposes it and prints that moment.
void showAndReport(QWidget& w) {
    w.show();
    while (!w.windowHandle() || !w.windowHandle()->isExposed()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    QApplication::processEvents();
    const auto shown = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
    std::printf("%lld ", static_cast<long long>(shown));
}

int runApp(int argc, char** argv) {
    QApplication app(argc, argv);
    vorrindel::app::qt::QtWindow window(
        vorrindel::settings::SettingsFile(vorrindel::settings::SettingsFile::defaultLocation()),
        vorrindel::listing::DriveTable::system(),
        [] { return std::make_unique<vorrindel::automation::NoOffice>("benchmark"); });
    showAndReport(window);
    window.form().File1.waitUntilListed();  // the list fills after the window shows
    std::printf("%zu\n", window.form().File1.names().size());
    return 0;
}

int runBare(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowTitle("bare");
    w.setFixedSize(264, 287);
    auto* combo = new QComboBox(&w);
    auto* drive = new QComboBox(&w);
    auto* dir = new QListWidget(&w);
    auto* file = new QListView(&w);
    auto* check = new QCheckBox("Do not close previous file", &w);
    auto* label = new QLabel("label", &w);
    combo->setGeometry(8, 8, 249, 21);
    drive->setGeometry(8, 40, 249, 21);
    dir->setGeometry(8, 72, 249, 81);
    file->setGeometry(8, 168, 249, 58);
    check->setGeometry(8, 240, 217, 17);
    label->setGeometry(8, 264, 241, 25);
    showAndReport(w);
    std::printf("0\n");
    return 0;
}

struct Run {
    double ms;  // from starting the process to its window shown
    long peakKb;
    long files;
};

Run spawn(const char* self, const char* mode, const std::string& configHome) {
    int out[2];
    if (pipe(out) != 0) std::exit(1);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(self, self, mode, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string report;
    char buf[256];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) report.append(buf, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    long long shownNs = 0;
    long files = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || std::sscanf(report.c_str(), "%lld %ld", &shownNs, &files) != 2) {
        std::fprintf(stderr, "%s run failed (status %d)\n", mode, status);
        std::exit(1);
    }
    const auto startNs = std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch()).count();
    return {static_cast<double>(shownNs - startNs) / 1e6, usage.ru_maxrss, files};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (argc > 1 && std::string(argv[1]) == "app") return runApp(argc, argv);
    if (argc > 1 && std::string(argv[1]) == "bare") return runBare(argc, argv);

    const int files = argc > 1 ? std::atoi(argv[1]) : 100000;
    const vorrindel::listing::bench::SampleFolder folder(static_cast<std::size_t>(files));
    char configTemplate[] = "/tmp/startup-bench-XXXXXX";
    if (!mkdtemp(configTemplate)) return 1;
    const std::string configHome = configTemplate;
    std::filesystem::create_directories(configHome + "/vorrindel");
    std::ofstream(configHome + "/vorrindel/comp.ini") << "[Type]\nType=Word\n[Dir]\nDir=" << folder.path() << "\n";

    const char* self = "/proc/self/exe";
    char exe[4096];
    const ssize_t n = readlink(self, exe, sizeof exe - 1);
    if (n <= 0) return 1;
    exe[n] = '\0';

    spawn(exe, "bare", configHome);  // warm the caches for both
    spawn(exe, "app", configHome);
    std::vector<double> bareMs, appMs;
    long barePeak = 0, appPeak = 0;
    constexpr int kRuns = 21;
    for (int i = 0; i < kRuns; ++i) {
        const Run b = spawn(exe, "bare", configHome);
        const Run a = spawn(exe, "app", configHome);
        if (a.files != static_cast<long>(folder.wordFiles())) {
            std::fprintf(stderr, "the picker listed %ld files, expected %zu\n", a.files, folder.wordFiles());
            return 1;
        }
        bareMs.push_back(b.ms);
        appMs.push_back(a.ms);
        barePeak = std::max(barePeak, b.peakKb);
        appPeak = std::max(appPeak, a.peakKb);
    }
    const double bare = median(bareMs), app = median(appMs);
    std::printf("start-up to window shown, %d files in the saved folder (%s), median of %d\n", files,
                std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "xcb", kRuns);
    std::printf("  bare window, six widgets   %8.1f ms   peak %6ld KiB\n", bare, barePeak);
    std::printf("  picker with saved folder   %8.1f ms   peak %6ld KiB\n", app, appPeak);
    std::printf("  time ratio %.2f (goal <= 1.1): %s\n", app / bare, app / bare <= 1.1 ? "met" : "MISSED");
    const double mem = static_cast<double>(appPeak) / static_cast<double>(barePeak);
    std::printf("  memory ratio %.2f (goal <= 1.3): %s\n", mem, mem <= 1.3 ? "met" : "MISSED");
    std::filesystem::remove_all(configHome);
    return 0;
}
