#include "search/search.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "search/components.hpp"
#include "search/decisions.hpp"
#include "state.hpp"
#include "support.hpp"

namespace islands {
namespace {

using testing::build;
using testing::grid;
using testing::listing;
using testing::snapshot;

struct solve_case {
    const char* name;
    std::vector<std::vector<int>> rows;
    std::string listing;  // empty: no solution
};

class solve_cases : public ::testing::TestWithParam<solve_case> {};

TEST_P(solve_cases, reports_the_first_solution_in_search_order) {
    const solve_case& c = GetParam();
    auto p = build(grid(c.rows));
    std::vector<int> weights;
    for (const vertex* v = p->vertex_list; v; v = v->next) weights.push_back(v->weight);
    const int found = solve(*p, p->edge_list);
    EXPECT_EQ(found, c.listing.empty() ? 0 : 1);
    if (found == 1) {
        EXPECT_EQ(listing(*p), c.listing);
        std::vector<int> after;
        for (const vertex* v = p->vertex_list; v; v = v->next) after.push_back(v->weight);
        EXPECT_EQ(after, weights);
    }
}

INSTANTIATE_TEST_SUITE_P(
    puzzles, solve_cases,
    ::testing::Values(
        solve_case{"row", {{1, 2, 1}}, "(0, 0) <-> (1, 0): 1\n(1, 0) <-> (2, 0): 1\n"},
        solve_case{"ring", {{2, 2}, {2, 2}},
                   "(0, 0) <-> (1, 0): 1\n(0, 0) <-> (0, 1): 1\n(1, 0) <-> (1, 1): 1\n(0, 1) <-> (1, 1): 1\n"},
        solve_case{"double_over_gap", {{2, 0, 0, 0, 2}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}, "(0, 0) <-> (4, 0): 2\n"},
        solve_case{"only_edges_cross", {{0, 1, 0}, {1, 0, 1}, {0, 1, 0}}, ""},
        solve_case{"several_solutions",
                   {{3, 0, 3}, {4, 3, 0}, {2, 4, 3}},
                   "(0, 0) <-> (2, 0): 1\n(0, 0) <-> (0, 1): 2\n(2, 0) <-> (2, 2): 2\n(0, 1) <-> (1, 1): 1\n"
                   "(0, 1) <-> (0, 2): 1\n(1, 1) <-> (1, 2): 2\n(0, 2) <-> (1, 2): 1\n(1, 2) <-> (2, 2): 1\n"},
        solve_case{"ring_of_six",
                   {{2, 0, 2}, {0, 2, 2}, {2, 2, 0}},
                   "(0, 0) <-> (2, 0): 1\n(0, 0) <-> (0, 2): 1\n(2, 0) <-> (2, 1): 1\n(1, 1) <-> (2, 1): 1\n"
                   "(1, 1) <-> (1, 2): 1\n(0, 2) <-> (1, 2): 1\n"},
        solve_case{"vertical_wins_crossing",
                   {{2, 3, 0}, {3, 0, 1}, {3, 4, 2}},
                   "(0, 0) <-> (1, 0): 1\n(0, 0) <-> (0, 1): 1\n(1, 0) <-> (1, 2): 2\n(0, 1) <-> (0, 2): 2\n"
                   "(2, 1) <-> (2, 2): 1\n(0, 2) <-> (1, 2): 1\n(1, 2) <-> (2, 2): 1\n"},
        solve_case{"horizontal_wins_crossing",
                   {{0, 2, 3}, {1, 0, 4}, {0, 1, 3}},
                   "(1, 0) <-> (2, 0): 2\n(2, 0) <-> (2, 1): 1\n(0, 1) <-> (2, 1): 1\n(2, 1) <-> (2, 2): 2\n"
                   "(1, 2) <-> (2, 2): 1\n"},
        solve_case{"weight_nine", {{9, 1}, {1, 0}}, ""},
        solve_case{"two_unjoinable_groups", {{1, 1, 0}, {0, 0, 0}, {0, 1, 1}}, ""},
        solve_case{"two_pairs_side_by_side", {{1, 1}, {0, 0}, {1, 1}}, ""},
        solve_case{"no_islands", {{0, 0}, {0, 0}}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Drives the decision steps the way the search does, choosing bridge counts
// at random, for the edges before `stop`. Returns the first edge left open.
edge* random_prefix(puzzle& p, std::mt19937& rng, int stop) {
    edge* e = p.edge_list;
    for (; e && e->index < stop; e = e->next) {
        e->bridges = 0;
        if (e->blocked > 0) continue;
        const auto before = snapshot(p);
        if (!retire_edge(*e)) {
            EXPECT_EQ(snapshot(p), before);
            return e;
        }
        const auto count = static_cast<int>(rng() % 3);
        for (int i = 0; i < count; ++i) {
            const auto ready = snapshot(p);
            if (!add_bridge(*e)) {
                EXPECT_EQ(snapshot(p), ready);
                break;
            }
        }
        if (e->bridges > 0) {
            const auto ready = snapshot(p);
            if (!adjust_crossings(*e, +1)) {
                EXPECT_EQ(snapshot(p), ready);
                e->a->weight += e->bridges;
                e->b->weight += e->bridges;
                e->bridges = 0;  // keep it decided as retired with no bridge
                continue;
            }
            merge_components(p, *e);
        }
    }
    return e;
}

std::string random_grid(std::mt19937& rng, int max_side) {
    const int width = 1 + static_cast<int>(rng() % static_cast<unsigned>(max_side));
    const int height = 1 + static_cast<int>(rng() % static_cast<unsigned>(max_side));
    const unsigned density = 2 + rng() % 7;
    std::vector<std::vector<int>> rows(static_cast<std::size_t>(height), std::vector<int>(static_cast<std::size_t>(width)));
    for (auto& row : rows)
        for (int& cell : row) cell = rng() % 10 < density ? 1 + static_cast<int>(rng() % 6) : 0;
    return grid(rows);
}

// Every failing call must leave the state exactly as it found it: the
// search depends on that to backtrack. Start it from random mid-search
// states so that every undo path runs with real chains and blocking.
TEST(search, failure_leaves_state_untouched_from_random_states) {
    std::mt19937 rng(7);
    int failures = 0;
    for (int round = 0; round < 3000; ++round) {
        auto p = build(random_grid(rng, 6));
        const int edges = static_cast<int>(p->edges.size());
        edge* from = random_prefix(*p, rng, edges == 0 ? 0 : static_cast<int>(rng() % static_cast<unsigned>(edges + 1)));
        const int from_index = from ? from->index : edges;
        const auto before = snapshot(*p, from_index);
        const auto weights = before.weight;
        const int found = solve(*p, from);
        if (found == 0) {
            ++failures;
            ASSERT_EQ(snapshot(*p, from_index), before) << round;
        } else {
            std::vector<int> after;
            for (const vertex* v = p->vertex_list; v; v = v->next) after.push_back(v->weight);
            ASSERT_EQ(after, weights) << round;
            ASSERT_EQ(p->component_count, 1);
        }
    }
    EXPECT_GT(failures, 100);
}

TEST(search, step_limit_gives_up) {
    auto p = build(grid({{2, 2}, {2, 2}}));
    EXPECT_EQ(solve_limited(*p, p->edge_list, 1), -1);
}

TEST(search, long_chain_needs_no_deep_call_stack) {
    const int n = 20000;
    std::string text = std::to_string(n) + " 1\n1";
    for (int i = 1; i + 1 < n; ++i) text += " 2";
    text += " 1\n";
    auto p = build(text);
    ASSERT_EQ(solve(*p, p->edge_list), 1);
    for (const edge* e = p->edge_list; e; e = e->next) ASSERT_EQ(e->bridges, 1);
}

}  // namespace
}  // namespace islands
