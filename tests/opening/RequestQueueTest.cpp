// Requests run one at a time on the automation thread, each within one time limit, and never
// outlive the queue.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "MemoryOffice.h"
#include "opening/RequestQueue.h"

namespace vorrindel::testing {
namespace {

using automation::Clock;
using automation::ObjectRef;
using automation::Value;
using opening::RequestQueue;
using opening::Snapshot;
using ::testing::HasSubstr;

// An office whose every call waits at a gate: until the gate opens, or the request's time is up.
class GateOffice final : public automation::OfficeAutomation {
public:
    struct Object final : automation::Dispatch {
        explicit Object(GateOffice& o) : office(o) {}
        Value invoke(std::string_view, automation::Access, const automation::Args&, std::optional<int>) override {
            return office.pass();
        }
        GateOffice& office;
    };

    ObjectRef createObject(std::string_view) override { return std::make_shared<Object>(*this); }
    ObjectRef globalObject(automation::GlobalApp) override { return std::make_shared<Object>(*this); }
    void beginRequest(Clock::time_point deadline) override { deadline_.begin(deadline); }
    void endRequest() override { deadline_.end(); }
    void cancelRequest() override {
        deadline_.cancel();
        std::lock_guard lock(mutex_);
        changed_.notify_all();
    }

    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    int waited() {
        std::lock_guard lock(mutex_);
        return waited_;
    }

private:
    Value pass() {
        deadline_.check();
        std::unique_lock lock(mutex_);
        ++waited_;
        while (!open_ && !deadline_.passed()) changed_.wait_until(lock, deadline_.deadline());
        if (!open_) deadline_.expire("the office did not answer in time");
        return Value::object(std::make_shared<Object>(*this));
    }

    automation::RequestDeadline deadline_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    int waited_ = 0;
};

// Hands an office the test keeps to the automation thread.
RequestQueue::OfficeFactory lend(automation::OfficeAutomation& office) {
    return [&office] { return std::make_unique<automation::ForwardingOffice>(office); };
}

struct Outcomes {
    std::mutex mutex;
    std::vector<std::string> reports;
    int shown = 0;
    RequestQueue::Outlet outlet() {
        return {[this] {
                    std::lock_guard lock(mutex);
                    ++shown;
                },
                [this](const std::string& r) {
                    std::lock_guard lock(mutex);
                    reports.push_back(r);
                },
                {},
                {}};
    }
};

Snapshot excel(const std::string& file, int check = 0) { return {"Excel", check, "/data", file, false}; }

TEST(RequestQueue, RunsRequestsInTheOrderClickedWithThePickerAsItWasAtEachClick) {
    MemoryOffice office;
    Outcomes out;
    {
        RequestQueue queue(lend(office), out.outlet());
        queue.post(excel("a.xls"));
        queue.post(excel("b.xls", 1));
        queue.post({"Word", 0, "/docs", "c.doc", false});
        queue.waitUntilIdle();
    }
    EXPECT_EQ(office.documents("excel.application#1"), (std::vector<std::string>{"a.xls", "b.xls"}));
    EXPECT_EQ(office.documents("word.application#1"), (std::vector<std::string>{"c.doc"}));
    EXPECT_EQ(out.shown, 3);
    EXPECT_TRUE(out.reports.empty());
}

TEST(RequestQueue, StuckRequestEndsAtItsLimitSaysSoAndTheNextRequestRuns) {
    GateOffice office;
    Outcomes out;
    RequestQueue queue(lend(office), out.outlet(), std::chrono::milliseconds(200));
    queue.post(excel("a.xls"));
    queue.waitUntilIdle();
    ASSERT_EQ(out.reports.size(), 1u);
    EXPECT_THAT(out.reports[0], HasSubstr("Excel"));
    EXPECT_THAT(out.reports[0], HasSubstr("in time"));
    // One wait for the whole request: the steps after the time-out fail at once.
    EXPECT_EQ(office.waited(), 1);
    EXPECT_EQ(out.shown, 1);  // the picker still comes back in front

    office.open();
    queue.post(excel("b.xls"));
    queue.waitUntilIdle();
    EXPECT_EQ(out.reports.size(), 1u);
}

TEST(RequestQueue, EndingTheQueueCutsAStuckRequestShortAndDropsTheRest) {
    GateOffice office;
    Outcomes out;
    {
        RequestQueue queue(lend(office), out.outlet(), std::chrono::hours(1));
        queue.post(excel("a.xls"));
        queue.post(excel("b.xls"));
        while (office.waited() == 0) std::this_thread::yield();
    }  // returns only once the automation thread has ended
    EXPECT_EQ(office.waited(), 1);
}

TEST(RequestQueue, OfficeThatCannotBeMadeIsReportedForEachRequest) {
    Outcomes out;
    RequestQueue queue([]() -> std::unique_ptr<automation::OfficeAutomation> { throw std::runtime_error("no suite"); },
                       out.outlet());
    queue.post(excel("a.xls"));
    queue.post({"PowerPoint", 0, "/data", "p.ppt", false});
    queue.waitUntilIdle();
    ASSERT_EQ(out.reports.size(), 2u);
    EXPECT_THAT(out.reports[1], HasSubstr("no suite"));
}

}  // namespace
}  // namespace vorrindel::testing
