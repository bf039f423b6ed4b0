// Entry of every test executable: child scenarios first, then GoogleTest.
#include "tests/support/bench.h"
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    bench::run_child_if_asked(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
