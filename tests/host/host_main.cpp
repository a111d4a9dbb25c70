// Test programs are games: lay out the points of contact before any test runs.
#include "contact.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testhost::Start();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
