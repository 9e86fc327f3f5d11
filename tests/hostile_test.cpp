// Whole runs of the process, ordinary and malformed or degenerate inputs:
// the exact standard output (runtime value masked) and the exit status.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support.hpp"
#include "tools/generator.hpp"

namespace islands {
namespace {

using testing::mask_runtime;
using testing::run_binary;

struct hostile_case {
    const char* name;
    std::string input;
    std::string output;  // runtime value masked
    int status;
};

void PrintTo(const hostile_case& c, std::ostream* os) { *os << c.name; }

class hostile : public ::testing::TestWithParam<hostile_case> {};

TEST_P(hostile, writes_exactly) {
    const hostile_case& c = GetParam();
    const auto result = run_binary(c.input);
    EXPECT_EQ(mask_runtime(result.out), c.output);
    EXPECT_EQ(result.status, c.status);
}

const std::string size_failed = "Failed to read grid size\n";
const std::string weight_failed = "Failed to read weight\n";
const std::string no_solution = "no solution found\n\nruntime: *s\n";
const std::string pair_solved = "(0, 0) <-> (1, 0): 1\n\n1 + 1\n\nruntime: *s\n";
const std::string column_solved = "(0, 0) <-> (0, 1): 2\n\n2\n#\n2\n\nruntime: *s\n";

std::string isolated(int x, int y) {
    return "vertex (" + std::to_string(x) + ", " + std::to_string(y) + ") is isolated";
}

// Strings with NUL bytes need their length spelled out.
std::string bytes(const char* text, std::size_t size) { return std::string(text, size); }

INSTANTIATE_TEST_SUITE_P(
    inputs, hostile,
    ::testing::Values(
        // The grid size.
        hostile_case{"empty", "", size_failed, 1},
        hostile_case{"only_white_space", " \t\n\v\f\r \r\n", size_failed, 1},
        hostile_case{"one_size", "7", size_failed, 1},
        hostile_case{"one_size_then_junk", "7 x 1", size_failed, 1},
        hostile_case{"words_for_sizes", "three three\n", size_failed, 1},
        hostile_case{"sign_alone", "+", size_failed, 1},
        hostile_case{"sign_then_space", "- 3 3\n", size_failed, 1},
        hostile_case{"double_sign", "--2 1 1 1\n", size_failed, 1},
        hostile_case{"number_glued_to_letters", "3x3\n1 1 1\n", size_failed, 1},
        hostile_case{"decimal_point", "2.0 1\n1 1\n", size_failed, 1},
        hostile_case{"hex_prefix", "0x2 1\n1 1\n", size_failed, 1},
        hostile_case{"width_past_int32", "2147483648 1\n1 1\n", size_failed, 1},
        hostile_case{"height_past_int32", "1 99999999999999999999\n1\n", size_failed, 1},
        hostile_case{"width_below_int32", "-2147483649 1\n", size_failed, 1},
        hostile_case{"nul_inside_size", bytes("2\0 1\n1 1\n", 9), size_failed, 1},
        hostile_case{"binary_junk", bytes("\x7f" "ELF\x02\x01\x01\0\0\xff\xfe", 11), size_failed, 1},
        hostile_case{"non_breaking_space", "2\xc2\xa0" "1\n1 1\n", size_failed, 1},

        // Sizes that are read but leave no islands.
        hostile_case{"zero_width", "0 3\n", no_solution, 0},
        hostile_case{"zero_height_ignores_weights", "3 0\n1 2 3\n", no_solution, 0},
        hostile_case{"negative_width", "-1 5\n", no_solution, 0},
        hostile_case{"both_negative_with_junk", "-4 -4 what follows is never read", no_solution, 0},
        hostile_case{"minus_zero_width", "-0 2\n1 1\n", no_solution, 0},
        hostile_case{"most_negative_width", "-2147483648 2\n", no_solution, 0},
        hostile_case{"largest_width_no_rows", "2147483647 0\n", no_solution, 0},
        hostile_case{"all_cells_empty", "3 2\n0 0 0\n0 0 0\n", no_solution, 0},

        // Numbers in unusual spellings.
        hostile_case{"plus_signs", "+2 +1\n+1 +1\n", pair_solved, 0},
        hostile_case{"leading_zeros", "002 0001\n01 000001\n", pair_solved, 0},
        hostile_case{"many_leading_zeros_stay_in_range", "0000000000000000000000002 1\n1 1\n", pair_solved, 0},
        hostile_case{"every_white_space", "2\t1\v1\f\r1", pair_solved, 0},
        hostile_case{"crlf_column", "1 2\r\n2\r\n2\r\n", column_solved, 0},
        hostile_case{"no_final_line_break", "1 2\n2\n2", column_solved, 0},

        // The weights.
        hostile_case{"truncated_grid", "3 3\n1 0 1\n0 0\n", weight_failed, 1},
        hostile_case{"truncated_in_first_row", "2 1\n1", weight_failed, 1},
        hostile_case{"word_for_weight", "2 1\n1 one\n", weight_failed, 1},
        hostile_case{"weight_glued_to_letters", "2 1\n1abc\n", weight_failed, 1},
        hostile_case{"sign_apart_from_weight", "2 1\n1 + 1\n", weight_failed, 1},
        hostile_case{"negative_weight", "2 1\n-1 1\n", weight_failed, 1},
        hostile_case{"most_negative_weight", "2 1\n1 -2147483648\n", weight_failed, 1},
        hostile_case{"weight_past_int32", "2 1\n1 2147483648\n", weight_failed, 1},
        hostile_case{"weight_far_past_int32", "2 1\n99999999999999999999999999 1\n", weight_failed, 1},
        hostile_case{"nul_between_weights", bytes("2 1\n1\0 1\n", 9), weight_failed, 1},
        hostile_case{"huge_size_short_input", "2147483647 2147483647\n1 1\n", weight_failed, 1},
        hostile_case{"large_size_short_input", "100000 100000\n0 0 0\n", weight_failed, 1},
        hostile_case{"bad_weight_after_isolated_island", "2 2\n1 0\n0 x\n", weight_failed, 1},

        // Weights that are read but cannot be satisfied.
        hostile_case{"weight_nine", "2 1\n9 9\n", no_solution, 0},
        hostile_case{"weight_ten", "2 1\n10 10\n", no_solution, 0},
        hostile_case{"largest_weights", "2 1\n2147483647 2147483647\n", no_solution, 0},
        hostile_case{"minus_zero_weight_is_empty", "3 1\n1 -0 1\n",
                     "(0, 0) <-> (2, 0): 1\n\n1 + + + 1\n\nruntime: *s\n", 0},
        hostile_case{"odd_weight_sum", "2 1\n1 2\n", no_solution, 0},

        // Trailing input after the last weight is never read.
        hostile_case{"trailing_words", "2 1\n1 1\ntrailing junk 5 -3 x\n", pair_solved, 0},
        hostile_case{"trailing_glued_junk", "2 1\n1 1x", pair_solved, 0},
        hostile_case{"trailing_nul_bytes", bytes("2 1\n1 1\0\0\xff", 10), pair_solved, 0},
        hostile_case{"trailing_huge_number", "2 1\n1 1 99999999999999999999\n", pair_solved, 0},

        // Isolated islands: one in each corner beside a joined pair.
        hostile_case{"isolated_top_left", "3 3\n1 0 0\n0 0 0\n0 1 1\n", isolated(0, 0), 1},
        hostile_case{"isolated_top_right", "3 3\n0 0 1\n0 0 0\n1 1 0\n", isolated(2, 0), 1},
        hostile_case{"isolated_bottom_left", "3 3\n0 1 1\n0 0 0\n1 0 0\n", isolated(0, 2), 1},
        hostile_case{"isolated_bottom_right", "3 3\n1 1 0\n0 0 0\n0 0 1\n", isolated(2, 2), 1},
        hostile_case{"isolated_heaviest", "1 1\n2147483647\n", isolated(0, 0), 1},
        hostile_case{"isolated_far_right", "6 1\n0 0 0 0 0 3 trailing\n", isolated(5, 0), 1}),
    [](const auto& info) { return std::string(info.param.name); });

// Ordinary runs through the same check: solved, unsolvable and rejected.
INSTANTIATE_TEST_SUITE_P(
    ordinary_runs, hostile,
    ::testing::Values(
        hostile_case{"solved_row", "3 1\n1 2 1\n",
                 "(0, 0) <-> (1, 0): 1\n(1, 0) <-> (2, 0): 1\n\n1 + 2 + 1\n\nruntime: *s\n", 0},
        hostile_case{"crossing_only", "3 3\n0 1 0\n1 0 1\n0 1 0\n", no_solution, 0},
        hostile_case{"no_islands", "2 2\n0 0\n0 0\n", no_solution, 0},
        hostile_case{"zero_width", "0 7\n", no_solution, 0},
        hostile_case{"negative_height", "4 -3 junk", no_solution, 0},
        hostile_case{"heavy_island", "2 1\n9 9\n", no_solution, 0},
        hostile_case{"empty_input", "", "Failed to read grid size\n", 1},
        hostile_case{"one_size", "4\n", "Failed to read grid size\n", 1},
        hostile_case{"size_overflow", "4294967296 1\n1\n", "Failed to read grid size\n", 1},
        hostile_case{"truncated", "2 2\n1 1\n1\n", "Failed to read weight\n", 1},
        hostile_case{"negative_weight", "2 1\n1 -2\n", "Failed to read weight\n", 1},
        hostile_case{"weight_overflow", "2 1\n1 2147483648\n", "Failed to read weight\n", 1},
        hostile_case{"single_island", "3 3\n0 0 0\n0 4 0\n0 0 0\n", "vertex (1, 1) is isolated", 1},
        hostile_case{"first_isolated_in_reading_order", "3 3\n1 0 0\n0 0 1\n0 1 0\n", "vertex (0, 0) is isolated", 1},
        hostile_case{"isolation_checked_after_reading", "2 2\n1 0\n0 x\n", "Failed to read weight\n", 1},
        hostile_case{"crlf_and_trailing_junk", "2 1\r\n1 1\r\nrest is ignored",
                 "(0, 0) <-> (1, 0): 1\n\n1 + 1\n\nruntime: *s\n", 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Runs under a lowered address-space limit. Records that cannot fit are
// reported; a puzzle of a few MB must still be solved even where the limit
// is smaller than one of the large steps the executable grows its heap by
// (it then grows by what it needs).
struct limited_case {
    const char* name;
    std::string input;
    std::uint64_t address_space;
    bool runs_out;
};

std::string all_twos(int n) {
    std::string input = std::to_string(n) + " " + std::to_string(n) + "\n";
    input.reserve(input.size() + 2 * static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) input += x + 1 < n ? "2 " : "2\n";
    return input;
}

std::string generated(int size, std::uint64_t seed) {
    generator_options options;
    options.width = options.height = size;
    options.seed = seed;
    return generate_puzzle(options);
}

TEST(out_of_memory, is_reported_only_when_the_records_do_not_fit) {
#if defined(ISLANDS_SANITIZED) || defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers' shadow memory does not fit a lowered address-space limit";
#else
    const limited_case cases[] = {
        // 2000 x 2000 islands need far more than 128 MiB of records; the
        // input itself is 8 MB.
        {"records_beyond_the_limit", all_twos(2000), 128ull << 20, true},
        // More than the heap holds at the start, less than one large step.
        {"small_puzzle_under_a_tight_limit", generated(100, 2), 32ull << 20, false},
    };
    for (const limited_case& c : cases) {
        const auto result = run_binary(c.input, {.address_space = c.address_space});
        if (c.runs_out) {
            EXPECT_EQ(result.out, "Out of memory\n") << c.name;
            EXPECT_EQ(result.status, 1) << c.name;
        } else {
            EXPECT_EQ(result.status, 0) << c.name;
            EXPECT_NE(result.out.find("\n\nruntime: "), std::string::npos) << c.name << ": " << result.out.substr(0, 80);
        }
    }
#endif
}

}  // namespace
}  // namespace islands
