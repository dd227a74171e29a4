// A held reader reads nothing until it is released; what was asked meanwhile is read then, and a
// reading replaced while it waited is dropped unread.

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "listing/BackgroundReader.h"

namespace vorrindel::listing {
namespace {

struct HoldCase {
    bool held;
    bool replaced;     // a second reading replaces the first while it is queued
    int runsBeforeRelease;
};

class HeldReader : public ::testing::TestWithParam<HoldCase> {};

TEST_P(HeldReader, RunsOnlyTheLatestReadingOnceReleased) {
    const HoldCase c = GetParam();
    BackgroundReader reader(c.held);
    std::atomic<int> runs = 0;
    auto work = [&runs](const char* name) {
        return [&runs, name] {
            ++runs;
            return BackgroundReader::Result{{name}, {}};
        };
    };
    auto first = reader.read(work("first"), nullptr);
    auto last = c.replaced ? reader.read(work("second"), nullptr, first) : first;
    if (c.held) {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));  // time it must not use
    } else {
        last->wait();
    }
    EXPECT_EQ(runs, c.runsBeforeRelease);

    reader.release();
    EXPECT_EQ(last->wait().names, std::vector<std::string>{c.replaced ? "second" : "first"});
    if (c.replaced) {
        EXPECT_TRUE(first->wait().names.empty());  // dropped unread
    }
    EXPECT_EQ(runs, 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, HeldReader,
                         ::testing::Values(HoldCase{true, false, 0}, HoldCase{true, true, 0},
                                           HoldCase{false, false, 1}));

}  // namespace
}  // namespace vorrindel::listing
