#pragma once
// Open requests run on one automation thread that lives as long as the queue, so that a slow or
// stuck office never holds up the window. A click hands over a snapshot of what the openers read;
// requests run one at a time, in the order clicked, each within one time limit.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "automation/Automation.h"

namespace vorrindel::opening {

// The picker as it was at the click.
struct Snapshot {
    std::string type;  // the type list's text
    int check = 0;     // "Do not close previous file"
    std::string dir;   // the folder list's path
    std::string file;  // the selected file's name
    bool workbook = false;  // open as a workbook whatever the type (the window's loadsheet)
};

struct DocumentType;
// The type a request opens as: the workbook type for the window's loadsheet, else the picker's
// type; nullptr when no type was selected (the request opens nothing).
const DocumentType* documentTypeOf(const Snapshot& request);

class RequestQueue {
public:
    // Makes the office on the automation thread, where it is also used and destroyed.
    using OfficeFactory = std::function<std::unique_ptr<automation::OfficeAutomation>()>;

    // Called on the automation thread; a window posts them on to its own thread.
    struct Outlet {
        std::function<void()> show;                       // bring the picker to the front
        std::function<void(const std::string&)> report;   // a request failed: one readable line
        // A request begins, and has ended (after its show and report), so a window can say what
        // is under way.
        std::function<void(const Snapshot&)> begun;
        std::function<void(const Snapshot&, bool failed)> ended;
    };

    static constexpr std::chrono::milliseconds kDefaultLimit{30000};

    RequestQueue(OfficeFactory factory, Outlet outlet, std::chrono::milliseconds limit = kDefaultLimit);
    // Drops the requests not started, cuts the running one short and waits for the thread.
    ~RequestQueue();
    RequestQueue(const RequestQueue&) = delete;
    RequestQueue& operator=(const RequestQueue&) = delete;

    // Never blocks.
    void post(Snapshot request);
    // Gets the application of that automation name ready in the background (OfficeAutomation::
    // prepare), unless requests are waiting already: they get it ready themselves. Never blocks;
    // a failure is left for the first request to report.
    void prepare(std::string application);
    // Waits until every request posted so far has ended (tests, benchmarks).
    void waitUntilIdle();

private:
    void run();

    OfficeFactory factory_;
    Outlet outlet_;
    std::chrono::milliseconds limit_;
    std::mutex mutex_;
    std::condition_variable changed_;
    // A request, or (application set) getting an application ready.
    struct Job {
        Snapshot request;
        std::string application;
    };
    std::deque<Job> queue_;
    bool running_ = false;   // a request is under way
    bool stopping_ = false;
    automation::OfficeAutomation* office_ = nullptr;  // while the thread has one
    std::thread thread_;
};

}  // namespace vorrindel::opening
