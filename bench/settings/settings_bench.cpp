// Cost of reading and saving comp.ini, printed next to the bare file operations they are built on,
// measured in the same run on the same disk. A setting is saved on every browsing step, so a save
// should stay close to one durable write of the file: goal at most 1.5 times.

#include "settings/SettingsFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using vorrindel::settings::SettingsFile;

namespace {

using Work = std::function<void(int)>;

double micros(const Work& work, int i) {
    const auto start = std::chrono::steady_clock::now();
    work(i);
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> times) {
    std::nth_element(times.begin(), times.begin() + static_cast<std::ptrdiff_t>(times.size() / 2), times.end());
    return times[times.size() / 2];
}

// Medians of one call of `work` and of `baseline`, taken in alternation after a warm-up, so that
// a disk that slows down or speeds up during the run hits both alike. A goal of 0 means none.
void compare(int rounds, const char* what, const Work& work, const char* baselineWhat, const Work& baseline,
             double goal = 0) {
    for (int i = 0; i < 3; ++i) {
        baseline(-1 - i);
        work(-1 - i);
    }
    std::vector<double> measured, base;
    for (int i = 0; i < rounds; ++i) {
        base.push_back(micros(baseline, i));
        measured.push_back(micros(work, i));
    }
    const double m = median(measured), b = median(base);
    std::printf("%-30s %9.1f us   %-24s %9.1f us   ratio %5.2f", what, m, baselineWhat, b, m / b);
    if (goal > 0) std::printf(" (goal <= %.1f): %s", goal, m / b <= goal ? "met" : "MISSED");
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(9, std::atoi(argv[1])) : 200;
    std::string pattern = (fs::temp_directory_path() / "vorrindel-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return 1;
    const fs::path dir = pattern;
    const fs::path file = dir / "comp.ini";
    const fs::path plain = dir / "plain.ini";

    SettingsFile settings(file);
    settings.writeSetting("Type", "Excel");
    settings.writeSetting("Drive", "/ [sda2]");
    settings.writeSetting("Dir", "/home/someone/reports/2024");
    settings.writeSetting("Tick", "0");
    std::string text;
    {
        FILE* in = std::fopen(file.c_str(), "rb");
        char buffer[512];
        for (size_t got; in && (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) text.append(buffer, got);
        if (in) std::fclose(in);
    }

    auto durableWrite = [&](int) {
        int fd = ::open(plain.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (::write(fd, text.data(), text.size()) < 0) std::perror("write");
        ::fsync(fd);
        ::close(fd);
    };
    auto bareRead = [&](int) {
        int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        char buffer[4096];
        while (::read(fd, buffer, sizeof buffer) > 0) {
        }
        ::close(fd);
    };

    std::printf("settings bench: medians of %d rounds, file of %zu bytes in %s\n", rounds, text.size(), dir.c_str());
    compare(rounds, "writeSetting (value changes)",
            [&](int i) { settings.writeSetting("Dir", "/home/someone/" + std::to_string(i)); },
            "open+write+fsync+close", durableWrite, 1.5);
    compare(rounds, "writeSetting (same value)", [&](int) { settings.writeSetting("Tick", "0"); },
            "open+read+close", bareRead);
    compare(rounds, "readAll", [&](int) { settings.readAll(); }, "open+read+close", bareRead);
    compare(rounds, "readSetting", [&](int) { settings.readSetting("Dir"); }, "open+read+close", bareRead);

    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
