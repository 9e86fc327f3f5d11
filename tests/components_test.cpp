#include "search/components.hpp"

#include <gtest/gtest.h>

#include "state.hpp"
#include "support.hpp"

namespace islands {
namespace {

using testing::build;
using testing::grid;
using testing::snapshot;

edge* nth_edge(puzzle& p, int n) {
    edge* e = p.edge_list;
    while (n-- > 0) e = e->next;
    return e;
}

TEST(components, merge_of_connected_ends_changes_nothing) {
    auto p = build(grid({{2, 2}, {2, 2}}));  // ring: edges 0..3
    ASSERT_NE(merge_components(*p, *nth_edge(*p, 0)), nullptr);
    ASSERT_NE(merge_components(*p, *nth_edge(*p, 1)), nullptr);
    ASSERT_NE(merge_components(*p, *nth_edge(*p, 2)), nullptr);
    const auto before = snapshot(*p);
    EXPECT_EQ(merge_components(*p, *nth_edge(*p, 3)), nullptr);
    EXPECT_EQ(snapshot(*p), before);
    EXPECT_EQ(p->component_count, 1);
}

TEST(components, nested_merges_split_back_exactly) {
    // P=(0,0), Q=(1,0) on edge 0; R=(1,1) joins Q through edge (1,0)-(1,1)
    // whose first endpoint is Q, and R's own edges lead elsewhere.
    auto p = build(grid({{1, 1, 0}, {0, 1, 1}}));
    const auto initial = snapshot(*p);
    edge* pq = nth_edge(*p, 0);
    edge* qr = nth_edge(*p, 1);
    edge* rs = nth_edge(*p, 2);
    component_link* first = merge_components(*p, *pq);
    const auto after_first = snapshot(*p);
    component_link* second = merge_components(*p, *rs);  // R-S: an unrelated pair
    component_link* third = merge_components(*p, *qr);   // joins the two pairs
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(p->component_count, 1);
    const component_link* head = p->vertex_list->component_link.head;
    for (const vertex* v = p->vertex_list; v; v = v->next) EXPECT_EQ(v->component_link.head, head);
    split_components(*p, third);
    split_components(*p, second);
    EXPECT_EQ(snapshot(*p), after_first);
    split_components(*p, first);
    EXPECT_EQ(snapshot(*p), initial);
}

TEST(components, tail_walk_starts_mid_chain) {
    // Chain A-B-C built by two merges; then merge through B (mid-chain) to D.
    auto p = build(grid({{1, 2, 1}, {0, 1, 0}}));
    // Edges: A-B, B-C, B-D.
    edge* ab = nth_edge(*p, 0);
    edge* bc = nth_edge(*p, 1);
    edge* bd = nth_edge(*p, 2);
    ASSERT_EQ(bd->b->y, 1);
    merge_components(*p, *ab);
    merge_components(*p, *bc);
    const auto before = snapshot(*p);
    component_link* tail = merge_components(*p, *bd);
    ASSERT_NE(tail, nullptr);
    EXPECT_EQ(tail, &bc->b->component_link);  // the chain's true end, C
    EXPECT_EQ(bd->b->component_link.head, &ab->a->component_link);
    split_components(*p, tail);
    EXPECT_EQ(snapshot(*p), before);
}

TEST(components, enough_links_left_counts_joining_unblocked_edges) {
    struct links_case {
        int merges;   // merge the first n edges before asking
        int blocked;  // index of an edge to mark blocked, or -1
        int from;     // ask from this edge
        int expected;
    };
    // Row of four islands: edges 0, 1, 2; four components at first.
    const links_case cases[] = {
        {0, -1, 0, 1}, {0, -1, 1, 0}, {1, -1, 1, 1}, {1, 2, 1, 0},
        {2, -1, 2, 1}, {3, -1, 3, 1},  // one component: always enough
    };
    for (const auto& c : cases) {
        auto p = build(grid({{1, 2, 2, 1}}));
        for (int i = 0; i < c.merges; ++i) merge_components(*p, *nth_edge(*p, i));
        if (c.blocked >= 0) nth_edge(*p, c.blocked)->blocked = 1;
        EXPECT_EQ(enough_links_left(*p, c.from < 3 ? nth_edge(*p, c.from) : nullptr), c.expected)
            << c.merges << " " << c.blocked << " " << c.from;
    }
}

}  // namespace
}  // namespace islands
