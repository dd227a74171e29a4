// How fast the window answers a click on the check box while a request is stuck on a stopped
// office, against the same click with no request under way, in the same run. Goal: within 50 ms.
// The office is a private LibreOffice, stopped with SIGSTOP once it runs; without the LibreOffice
// backend, an office whose every call waits until the request's time is up stands in for it.

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/qt/QtWindow.h"
#include "app/qt/Views.h"
#include "automation/Automation.h"
#ifdef VORRINDEL_BENCH_LIBREOFFICE
#include "automation/libreoffice/LibreOfficeAutomation.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kClicks = 25;
constexpr double kGoalMs = 50;

double msSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

struct Figures {
    double median;
    double worst;
};

// Each click goes through the window system's event queue and is done once its handler has run.
Figures clickTheBox(vorrindel::app::qt::QtWindow& window) {
    std::vector<double> ms;
    for (int i = 0; i < kClicks; ++i) {
        const int before = window.form().Check1.value();
        const auto t0 = Clock::now();
        QTest::mouseClick(window.Check1, Qt::LeftButton);
        while (window.form().Check1.value() == before) QApplication::processEvents();
        ms.push_back(msSince(t0));
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

#ifndef VORRINDEL_BENCH_LIBREOFFICE
// Every call waits until the request's deadline: a stopped office as the window sees it.
class StoppedOffice final : public vorrindel::automation::OfficeAutomation {
    struct Object final : vorrindel::automation::Dispatch {
        explicit Object(StoppedOffice& o) : office(o) {}
        vorrindel::automation::Value invoke(std::string_view, vorrindel::automation::Access,
                                            const vorrindel::automation::Args&, std::optional<int>) override {
            office.deadline.check();
            while (!office.deadline.passed()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            office.deadline.expire("the office did not answer");
        }
        StoppedOffice& office;
    };

public:
    vorrindel::automation::ObjectRef createObject(std::string_view) override { return std::make_shared<Object>(*this); }
    vorrindel::automation::ObjectRef globalObject(vorrindel::automation::GlobalApp) override {
        return std::make_shared<Object>(*this);
    }
    void beginRequest(vorrindel::automation::Clock::time_point d) override { deadline.begin(d); }
    void endRequest() override { deadline.end(); }
    void cancelRequest() override { deadline.cancel(); }
    vorrindel::automation::RequestDeadline deadline;
};
#endif

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char pattern[] = "/tmp/vorrindel-responsive-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::filesystem::path root = pattern;
    std::filesystem::create_directories(root / "docs");
    std::ofstream(root / "docs" / "a.xls") << "not really a workbook";
    std::ofstream(root / "comp.ini") << "[Type]\nType=Excel\n[Dir]\nDir=" << (root / "docs").string() << "\n";

    std::function<int()> officePid = [] { return 0; };
    vorrindel::opening::RequestQueue::OfficeFactory factory;
#ifdef VORRINDEL_BENCH_LIBREOFFICE
    using namespace vorrindel::automation::libreoffice;
    LibreOfficeOptions options;
    options.profileDir = (root / "profile").string();
    options.pipeName = "vorrindel_bench_" + std::to_string(getpid());
    options.headless = !std::getenv("DISPLAY");
    std::atomic<LibreOfficeAutomation*> made{nullptr};
    factory = [&] {
        auto office = makeLibreOfficeAutomation(options);
        made = office.get();
        return std::unique_ptr<vorrindel::automation::OfficeAutomation>(std::move(office));
    };
    officePid = [&] { return made ? made.load()->officePid() : 0; };
    const char* stopped = "a stopped LibreOffice";
#else
    factory = [] { return std::make_unique<StoppedOffice>(); };
    const char* stopped = "an office that never answers";
#endif
    vorrindel::app::Form1::Options formOptions;
    formOptions.requestLimit = std::chrono::seconds(20);
    {
        vorrindel::app::qt::QtWindow window(vorrindel::settings::SettingsFile(root / "comp.ini"),
                                            vorrindel::listing::DriveTable::of({{"/", "root"}}, "/"), factory,
                                            formOptions);
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
        window.form().File1.waitUntilListed();

        const Figures idle = clickTheBox(window);
        // A first request starts the office; then it is stopped and the next request sticks.
        window.form().File1.userClick(0);
        window.form().waitForRequests();
        const int pid = officePid();
        if (pid > 0) {
            kill(pid, SIGSTOP);
            std::printf("office %d stopped\n", pid);
        }
        window.form().File1.userClick(0);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the request is under way
        const Figures busy = clickTheBox(window);

        std::printf("check box click answered, median / worst of %d clicks:\n", kClicks);
        std::printf("  no request under way (baseline)  %7.2f / %7.2f ms\n", idle.median, idle.worst);
        std::printf("  request stuck on %-16s %7.2f / %7.2f ms  (goal <= %.0f ms: %s)\n", stopped, busy.median,
                    busy.worst, kGoalMs, busy.worst <= kGoalMs ? "met" : "MISSED");
        if (pid > 0) kill(pid, SIGKILL);
    }  // ending the window cuts the stuck request short
    std::filesystem::remove_all(root);
    return 0;
}
