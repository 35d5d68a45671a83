#include "ProbingApplication.h"

#include <gtest/gtest.h>

// Tests of the core run on a plain event loop, without widgets.
int main(int argc, char* argv[]) {
    mervantic::test::ProbingApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
