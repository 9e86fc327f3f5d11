#include "puzzle/reader.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace islands {
namespace {

struct read_outcome {
    std::string error;  // empty when the read succeeded
    std::vector<std::vector<int>> islands;  // {x, y, weight}
    int component_count = 0;
};

read_outcome read_text(const std::string& text) {
    puzzle p;
    read_outcome outcome;
    try {
        read_puzzle(p, std::string_view(text));
    } catch (const input_error& e) {
        outcome.error = e.what();
    }
    for (const vertex* v = p.vertex_list; v; v = v->next) outcome.islands.push_back({v->x, v->y, v->weight});
    outcome.component_count = p.component_count;
    return outcome;
}

const std::string size_error = "Failed to read grid size\n";
const std::string weight_error = "Failed to read weight\n";

struct reader_case {
    const char* name;
    std::string text;
    std::string error;
    std::vector<std::vector<int>> islands;
};

class reader_cases : public ::testing::TestWithParam<reader_case> {};

TEST_P(reader_cases, reads_like_a_decimal_scan) {
    const reader_case& c = GetParam();
    const read_outcome outcome = read_text(c.text);
    EXPECT_EQ(outcome.error, c.error);
    if (c.error.empty()) {
        EXPECT_EQ(outcome.islands, c.islands);
        EXPECT_EQ(outcome.component_count, static_cast<int>(c.islands.size()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    inputs, reader_cases,
    ::testing::Values(
        reader_case{"row", "3 1\n1 2 1\n", "", {{0, 0, 1}, {1, 0, 2}, {2, 0, 1}}},
        reader_case{"reading_order", "2 2 0 5 6 0", "", {{1, 0, 5}, {0, 1, 6}}},
        reader_case{"any_white_space", " \t2\r\n\v1\f 4   7", "", {{0, 0, 4}, {1, 0, 7}}},
        reader_case{"plus_sign_and_leading_zeros", "+2 001 +03 0007", "", {{0, 0, 3}, {1, 0, 7}}},
        reader_case{"trailing_junk_never_read", "1 1 4 junk -5", "", {{0, 0, 4}}},
        reader_case{"big_weight_accepted", "2 1 9 2147483647", "", {{0, 0, 9}, {1, 0, 2147483647}}},
        reader_case{"zero_width_reads_no_weights", "0 5 garbage", "", {}},
        reader_case{"negative_height_reads_no_weights", "3 -1", "", {}},
        reader_case{"most_negative_size", "-2147483648 4", "", {}},
        reader_case{"all_empty", "2 2 0 0 0 0", "", {}},
        reader_case{"empty_input", "", size_error, {}},
        reader_case{"only_space", " \n\t ", size_error, {}},
        reader_case{"one_size", "3", size_error, {}},
        reader_case{"letters", "a b", size_error, {}},
        reader_case{"second_size_junk", "3 x", size_error, {}},
        reader_case{"sign_without_digits", "- 3 3", size_error, {}},
        reader_case{"digits_then_junk", "3abc", size_error, {}},
        reader_case{"size_too_large", "2147483648 1 1", size_error, {}},
        reader_case{"size_far_too_large", "99999999999999999999 1", size_error, {}},
        reader_case{"truncated_grid", "2 2 1 1 1", weight_error, {}},
        reader_case{"negative_weight", "2 1 1 -1", weight_error, {}},
        reader_case{"weight_junk", "2 1 1 x", weight_error, {}},
        reader_case{"weight_with_suffix", "2 1 5abc 1", weight_error, {}},
        reader_case{"weight_too_large", "2 1 1 4294967297", weight_error, {}},
        reader_case{"nul_byte", std::string("2 1 1 \0 1", 9), weight_error, {}},
        reader_case{"minus_zero_is_zero", "2 1 -0 3", "", {{1, 0, 3}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace islands
