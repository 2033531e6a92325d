#include <gtest/gtest.h>

namespace testing_support {
void Install();
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    testing_support::Install();
    return RUN_ALL_TESTS();
}
