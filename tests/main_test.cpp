// A whole run whose search goes as deep as the puzzle is long.
#include <gtest/gtest.h>

#include <string>

#include "support.hpp"

namespace islands {
namespace {

using testing::run_binary;

TEST(main, long_chain_solves_on_a_small_stack) {
    const int n = 200000;
    std::string input = std::to_string(n) + " 1\n1";
    for (int i = 1; i + 1 < n; ++i) input += " 2";
    input += " 1\n";
    const auto result = run_binary(input, {.stack = 1ull << 20});
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(result.out.compare(0, 21, "(0, 0) <-> (1, 0): 1\n"), 0);
    EXPECT_NE(result.out.find("(199998, 0) <-> (199999, 0): 1\n\n1 + 2 + 2"), std::string::npos);
}

}  // namespace
}  // namespace islands
