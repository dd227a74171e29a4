// Cost of reading and saving comp.ini, printed next to the bare file operations they are built on,
// measured in the same run on the same disk. A setting is saved on every browsing step, so a save
// should stay close to one durable write of the file.

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

// Median time of one call in microseconds.
double median(int rounds, const std::function<void(int)>& work) {
    std::vector<double> times;
    times.reserve(rounds);
    for (int i = 0; i < rounds; ++i) {
        auto start = std::chrono::steady_clock::now();
        work(i);
        times.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + rounds / 2, times.end());
    return times[rounds / 2];
}

void report(const char* what, double measured, const char* baselineWhat, double baseline) {
    std::printf("%-34s %9.1f us   %-30s %9.1f us   ratio %5.2f\n", what, measured, baselineWhat, baseline,
                measured / baseline);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
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

    std::printf("settings bench: %d rounds, file of %zu bytes in %s\n", rounds, text.size(), dir.c_str());
    const double baseWrite = median(rounds, durableWrite);
    const double baseRead = median(rounds, bareRead);
    report("writeSetting (value changes)",
           median(rounds, [&](int i) { settings.writeSetting("Dir", "/home/someone/" + std::to_string(i)); }),
           "open+write+fsync+close", baseWrite);
    report("writeSetting (same value)", median(rounds, [&](int) { settings.writeSetting("Tick", "0"); }),
           "open+read+close", baseRead);
    report("readAll", median(rounds, [&](int) { settings.readAll(); }), "open+read+close", baseRead);
    report("readSetting", median(rounds, [&](int) { settings.readSetting("Dir"); }), "open+read+close", baseRead);

    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
