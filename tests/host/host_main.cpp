// Test programs are games: lay out the points of contact before any test runs.
#include "contact.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testhost::Start(TESTHOST_LAYOUT == 1080 ? testhost::Layout::V1080 : testhost::Layout::V1070);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
