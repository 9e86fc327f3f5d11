// Whole runs of the islands binary: exact standard output and exit status.
#include <gtest/gtest.h>

#include <string>

#include "support.hpp"

namespace islands {
namespace {

using testing::mask_runtime;
using testing::run_binary;

struct run_case {
    const char* name;
    std::string input;
    std::string output;  // runtime value masked
    int status;
};

class run_cases : public ::testing::TestWithParam<run_case> {};

TEST_P(run_cases, writes_exactly) {
    const run_case& c = GetParam();
    const auto result = run_binary(c.input);
    EXPECT_EQ(mask_runtime(result.out), c.output);
    EXPECT_EQ(result.status, c.status);
}

const std::string no_solution = "no solution found\n\nruntime: *s\n";

INSTANTIATE_TEST_SUITE_P(
    inputs, run_cases,
    ::testing::Values(
        run_case{"solved_row", "3 1\n1 2 1\n",
                 "(0, 0) <-> (1, 0): 1\n(1, 0) <-> (2, 0): 1\n\n1 + 2 + 1\n\nruntime: *s\n", 0},
        run_case{"crossing_only", "3 3\n0 1 0\n1 0 1\n0 1 0\n", no_solution, 0},
        run_case{"no_islands", "2 2\n0 0\n0 0\n", no_solution, 0},
        run_case{"zero_width", "0 7\n", no_solution, 0},
        run_case{"negative_height", "4 -3 junk", no_solution, 0},
        run_case{"heavy_island", "2 1\n9 9\n", no_solution, 0},
        run_case{"empty_input", "", "Failed to read grid size\n", 1},
        run_case{"one_size", "4\n", "Failed to read grid size\n", 1},
        run_case{"size_overflow", "4294967296 1\n1\n", "Failed to read grid size\n", 1},
        run_case{"truncated", "2 2\n1 1\n1\n", "Failed to read weight\n", 1},
        run_case{"negative_weight", "2 1\n1 -2\n", "Failed to read weight\n", 1},
        run_case{"weight_overflow", "2 1\n1 2147483648\n", "Failed to read weight\n", 1},
        run_case{"single_island", "3 3\n0 0 0\n0 4 0\n0 0 0\n", "vertex (1, 1) is isolated", 1},
        run_case{"first_isolated_in_reading_order", "3 3\n1 0 0\n0 0 1\n0 1 0\n", "vertex (0, 0) is isolated", 1},
        run_case{"isolation_checked_after_reading", "2 2\n1 0\n0 x\n", "Failed to read weight\n", 1},
        run_case{"crlf_and_trailing_junk", "2 1\r\n1 1\r\nrest is ignored",
                 "(0, 0) <-> (1, 0): 1\n\n1 + 1\n\nruntime: *s\n", 0}),
    [](const auto& info) { return std::string(info.param.name); });

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
