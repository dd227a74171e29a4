#include <gtest/gtest.h>

#include "OfficeFixture.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new vorrindel::automation::libreoffice::testing::OfficeEnvironment);
    return RUN_ALL_TESTS();
}
