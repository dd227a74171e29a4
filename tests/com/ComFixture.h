#pragma once
// A COM backend on the test's thread with the test office behind it: a fresh log and folder for
// each test, and every instance of the office quit after it.

#include <gtest/gtest.h>

#include <memory>

#include "TestOffice.h"
#include "automation/com/ComAutomation.h"

namespace vorrindel::testing {

class ComFixture : public ::testing::Test {
protected:
    ~ComFixture() override {
        backend.reset();
        office::quitTestOffice();
    }

    // Runs an instance of `app` ("excel") that the backend will attach to.
    static void start(std::string_view app) { office::startTestOffice(app); }

    office::OfficeLog log;
    office::TestFolder folder;
    std::unique_ptr<automation::com::ComAutomation> backend = std::make_unique<automation::com::ComAutomation>();
};

}  // namespace vorrindel::testing
