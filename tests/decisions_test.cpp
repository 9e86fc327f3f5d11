#include "search/decisions.hpp"

#include <gtest/gtest.h>

#include "state.hpp"
#include "support.hpp"

namespace islands {
namespace {

using testing::build;
using testing::grid;
using testing::snapshot;

TEST(decisions, retire_edge_applies_feasibility_to_both_ends) {
    struct retire_case {
        std::vector<std::vector<int>> rows;
        int expected;  // retiring the first edge
    };
    const retire_case cases[] = {
        {{{1, 1}}, 0},          // a needs 1 with no open edge left
        {{{2, 3}, {1, 0}}, 0},  // a keeps one edge for 2; b needs 3 with none
        {{{4, 4}, {2, 2}}, 0},  // a needs 4 with one edge left
        {{{2, 2}, {2, 2}}, 1},  // ring: each end keeps one edge for 2
        {{{1, 2, 1}}, 0},       // a needs 1 with none left
        {{{1, 1}, {1, 1}}, 1},  // square of 1s: both ends keep an edge
    };
    for (const auto& c : cases) {
        auto p = build(grid(c.rows));
        const auto before = snapshot(*p);
        const int result = retire_edge(*p->edge_list);
        EXPECT_EQ(result, c.expected) << grid(c.rows);
        if (result == 0) {
            EXPECT_EQ(snapshot(*p), before);
        }
    }
}

TEST(decisions, add_bridge_stops_at_two_or_at_a_satisfied_end) {
    auto p = build(grid({{3, 3}, {1, 1}}));
    edge& top = *p->edge_list;
    EXPECT_EQ(add_bridge(top), 1);
    EXPECT_EQ(add_bridge(top), 1);
    const auto full = snapshot(*p);
    EXPECT_EQ(add_bridge(top), 0);  // both ends still need 1, but the edge is full
    EXPECT_EQ(snapshot(*p), full);
    EXPECT_EQ(top.a->weight, 1);

    auto q = build(grid({{1, 2}}));
    EXPECT_EQ(add_bridge(*q->edge_list), 1);
    const auto satisfied = snapshot(*q);
    EXPECT_EQ(add_bridge(*q->edge_list), 0);  // a needs nothing more
    EXPECT_EQ(snapshot(*q), satisfied);
}

// A vertical edge crossed by three horizontal edges; the third's left end
// needs 2 from its only other edge, so blocking it fails.
TEST(decisions, failed_blocking_undoes_the_entries_before) {
    auto p = build(grid({{0, 0, 1, 0, 0},
                         {1, 0, 0, 0, 1},
                         {1, 0, 0, 0, 1},
                         {3, 0, 0, 0, 1},
                         {0, 0, 1, 0, 0}}));
    edge* vertical = p->edge_list;
    ASSERT_EQ(vertical->a->x, 2);
    ASSERT_EQ(vertical->b->y, 4);
    int entries = 0;
    for (const crossing* c = vertical->crossings; c; c = c->next) ++entries;
    ASSERT_EQ(entries, 3);
    const auto before = snapshot(*p);
    EXPECT_EQ(adjust_crossings(*vertical, +1), 0);
    EXPECT_EQ(snapshot(*p), before);
}

TEST(decisions, edge_blocked_twice_reopens_after_both_unblock) {
    // Horizontal (0,1)-(4,1) is crossed by two vertical edges.
    auto p = build(grid({{0, 1, 0, 1, 0},
                         {2, 0, 0, 0, 2},
                         {0, 1, 0, 1, 0},
                         {2, 0, 0, 0, 2}}));
    edge* first = testing::find_edge(*p, 1, 0, 1, 2);
    edge* second = testing::find_edge(*p, 3, 0, 3, 2);
    edge* crossed = testing::find_edge(*p, 0, 1, 4, 1);
    ASSERT_TRUE(first && second && crossed);
    const auto before = snapshot(*p);
    ASSERT_EQ(adjust_crossings(*first, +1), 1);
    ASSERT_EQ(adjust_crossings(*second, +1), 1);
    EXPECT_EQ(crossed->blocked, 2);
    EXPECT_EQ(crossed->a->open, before.open[static_cast<std::size_t>(crossed->a->index)] - 1);
    EXPECT_EQ(adjust_crossings(*first, -1), 1);
    EXPECT_EQ(crossed->blocked, 1);
    EXPECT_EQ(crossed->a->open, before.open[static_cast<std::size_t>(crossed->a->index)] - 1);
    EXPECT_EQ(adjust_crossings(*second, -1), 1);
    EXPECT_EQ(snapshot(*p), before);
}

}  // namespace
}  // namespace islands
