// The test program's entry: the tests, or (run again by a test) a child role.
#include <gtest/gtest.h>

#include <cstring>

#include "windows_test_support.h"

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--child") == 0)
        return velor::testing::childMain({argv + 2, argv + argc});
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
