#include "picture/picture.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/search.hpp"
#include "support.hpp"

namespace islands {
namespace {

using testing::build;
using testing::grid;

struct picture_case {
    const char* name;
    std::string puzzle;
    std::string picture;
};

class picture_cases : public ::testing::TestWithParam<picture_case> {};

TEST_P(picture_cases, draws_the_solved_grid) {
    const picture_case& c = GetParam();
    auto p = build(c.puzzle);
    ASSERT_EQ(solve(*p, p->edge_list), 1);
    EXPECT_EQ(render_grid(*p), c.picture);
}

INSTANTIATE_TEST_SUITE_P(
    puzzles, picture_cases,
    ::testing::Values(
        picture_case{"row", grid({{1, 2, 1}}), "1 + 2 + 1\n"},
        picture_case{"double_bridge_extent_from_islands", grid({{2, 0, 0, 0, 2}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}),
                     "2 # # # # # # # 2\n"},
        picture_case{"column", grid({{1}, {0}, {0}, {1}}), "1\n+\n+\n+\n+\n+\n1\n"},
        picture_case{"plus_keeps_trailing_blanks", grid({{0, 1, 0}, {1, 4, 1}, {0, 1, 0}}),
                     "    1    \n    +    \n1 + 4 + 1\n    +    \n    1    \n"},
        picture_case{"ring", grid({{2, 2}, {2, 2}}), "2 + 2\n+   +\n2 + 2\n"},
        picture_case{"bridge_over_empty_centre", grid({{0, 2, 3}, {1, 0, 4}, {0, 1, 3}}),
                     "    2 # 3\n        +\n1 + + + 4\n        #\n    1 + 3\n"},
        picture_case{"leading_blank_rows_and_columns", grid({{0, 0, 0}, {0, 0, 0}, {0, 1, 1}}),
                     "         \n         \n         \n         \n    1 + 1\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(picture, far_apart_islands_size_without_overflow) {
    // Two islands 3000 columns apart in row 500: the picture is 1001 rows of
    // 12002 characters, all blank but the last row.
    const int width = 3001;
    const int height = 501;
    std::string text = std::to_string(width) + " " + std::to_string(height) + "\n";
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) text += (y == height - 1 && (x == 0 || x == width - 1)) ? "1 " : "0 ";
    auto p = build(text);
    ASSERT_EQ(solve(*p, p->edge_list), 1);
    const std::string picture = render_grid(*p);
    const std::size_t row = 4 * (width - 1) + 2;
    ASSERT_EQ(picture.size(), row * (2 * (height - 1) + 1));
    const std::string last = picture.substr(picture.size() - row);
    EXPECT_EQ(last.front(), '1');
    EXPECT_EQ(last[row - 2], '1');
    EXPECT_EQ(last[2], '+');
    EXPECT_EQ(last[3], ' ');
    EXPECT_EQ(last[4], '+');
    EXPECT_EQ(picture.find_first_not_of(" \n"), picture.size() - row);
}

}  // namespace
}  // namespace islands
