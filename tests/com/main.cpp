// The COM tests run on this thread, made a single-threaded apartment as the automation thread is.
// The test office is registered first and every instance of it quit at the end.

#include <gtest/gtest.h>

#include "TestOffice.h"
#include "automation/com/ComAutomation.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    vorrindel::automation::com::Apartment apartment;
    vorrindel::testing::office::registerTestOffice();
    const int result = RUN_ALL_TESTS();
    vorrindel::testing::office::quitTestOffice();
    return result;
}
